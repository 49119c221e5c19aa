#pragma once
// A start-up check for installations: with KOVRIN_PICTURE_CHECK=1 the window, once shown,
// looks at its toolbar buttons and status-bar pictures, prints how many it drew and how
// many came out blank (a missing image plug-in leaves them so), and closes.
class QWidget;

namespace kovrin {

bool PictureCheckRequested();
// Schedules the check on the running event loop; the application quits after it.
void SchedulePictureCheck(QWidget& window);

} // namespace kovrin
