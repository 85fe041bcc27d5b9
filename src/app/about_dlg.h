#pragma once
#include <QDialog>

namespace corvala {

// "Info über Corvala3": the program's name and version.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace corvala
