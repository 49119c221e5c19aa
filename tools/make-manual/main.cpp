// Renders the operator's manual (HTML with pictures beside it) into the Manual.pdf that
// Help opens from the program's folder. Runs at build time, so it needs no display.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHashFunctions>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTimeZone>
#include <QUrl>

#include <cstdio>

namespace {

// The writer stamps the time of the run into the file; a package build fixes the time
// (SOURCE_DATE_EPOCH) so that two builds give the same bytes. The stamp keeps its length,
// so the file's offsets stay right.
bool FixCreationDate(const QString& path)
{
    bool known = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&known);
    if (!known)
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const QByteArray key = "/CreationDate (D:";
    const qsizetype at = bytes.indexOf(key);
    if (at < 0)
        return true;
    const QByteArray stamp = QDateTime::fromSecsSinceEpoch(epoch, QTimeZone::utc()).toString("yyyyMMddhhmmss").toLatin1();
    bytes.replace(at + key.size(), stamp.size(), stamp);
    return file.seek(0) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-manual SOURCE.html OUT.pdf\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The font subsets are written in hash order: a fixed seed gives the same file every run.
    QHashSeed::setDeterministicGlobalSeed();
    QGuiApplication app(argc, argv);

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make-manual: cannot read %s\n", argv[1]);
        return 4;
    }
    QTextDocument document;
    // Pictures are named relative to the HTML file. They are handed over up front: a
    // picture the layout cannot find makes its page breaking loop for ever.
    const QDir folder = QFileInfo(source).absoluteDir();
    for (const QString& name : folder.entryList({"*.png"}, QDir::Files)) {
        const QImage picture(folder.filePath(name));
        if (picture.isNull()) {
            std::fprintf(stderr, "make-manual: cannot read picture %s\n", qPrintable(name));
            return 4;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
    document.setHtml(QString::fromUtf8(source.readAll()));

    const QString out = QString::fromLocal8Bit(argv[2]);
    QPdfWriter writer(out);
    writer.setTitle("Kovrin Configurator - Operator's manual");
    writer.setCreator("Kovrin");
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter);
    writer.setResolution(300);
    document.print(&writer);
    if (!QFileInfo(out).exists() || QFileInfo(out).size() == 0 || !FixCreationDate(out)) {
        std::fprintf(stderr, "make-manual: cannot write %s\n", argv[2]);
        return 4;
    }
    return 0;
}
