// Renders the operator's manual (HTML with pictures beside it) into the Manual.pdf that
// Help opens from the program's folder. Runs at build time, so it needs no display.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-manual SOURCE.html OUT.pdf\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
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
    if (!QFileInfo(out).exists() || QFileInfo(out).size() == 0) {
        std::fprintf(stderr, "make-manual: cannot write %s\n", argv[2]);
        return 4;
    }
    return 0;
}
