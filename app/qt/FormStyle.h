#pragma once
// Look shared by every form: the font and the pictures of the image lists.
#include "app/logic/ImageNames.h"

#include <QFont>
#include <QIcon>
#include <QString>

namespace kovrin {

// Dialogs with a title and a close button only: no minimise or maximise buttons.
inline constexpr Qt::WindowFlags kCloseOnlyDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Tahoma 8 pt where it is installed, the system's sans serif at 8 pt otherwise.
QFont FormFont();

// Entry `index` of the 27-picture list of the menus and the toolbar; null for -1 or an
// index past the list.
QIcon ImageListIcon(int index);

// The status bar's pictures and the small button images, by resource name
// ("ImageGreen", "ImageKeyService", "BtnOk", ...). Null for unknown names.
QIcon NamedImage(const QString& name);

} // namespace kovrin
