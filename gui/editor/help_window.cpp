#include "gui/editor/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/common/form_scale.h"
#include "gui/common/window_placement.h"

namespace velkor {

HelpWindow::HelpWindow(QWidget* editor) : QWidget(editor, Qt::Window) {
  setObjectName("Aide");
  setWindowTitle(QStringLiteral("Aide de VELKOR"));
  // Closing the editor ends the program, help open or not.
  setAttribute(Qt::WA_QuitOnClose, false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName("guide");
  browser_->setOpenExternalLinks(false);
  layout->addWidget(browser_);
  browser_->setSource(QUrl(QStringLiteral("qrc:/aide/guide.html")));
  resize(FormScale::ofApplication()(QSize(560, 520)));
  centreOnScreen(this);
}

void HelpWindow::showGuide() { bringToFront(this); }

}  // namespace velkor
