// The About box: title, credit and version; closes on any character key or
// mouse press, except a press on the contact line.
#pragma once

#include <QDialog>

class QLabel;
class QFrame;

namespace velkor {

class TAbout1 : public QDialog {
  Q_OBJECT
 public:
  explicit TAbout1(QWidget* parent = nullptr);

  QLabel* creditLine() const { return credit_; }
  QLabel* contactLine() const { return contact_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormKeyPress(QKeyEvent* event);
  void FormMouseDown();

  QFrame* Panel1 = nullptr;
  QLabel* credit_ = nullptr;
  QLabel* contact_ = nullptr;
};

}  // namespace velkor
