// The user guide, in French, shown inside the program: a window of its own
// beside the editor, made the first time "Aide" is asked for.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace velkor {

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* editor);
  // Shows the guide and brings the window to the front, restored if minimised.
  void showGuide();
  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_ = nullptr;
};

}  // namespace velkor
