#include "app/about_dlg.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvala {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8("Info über Corvala3"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Corvala3 Version 1.0", this));
  layout->addWidget(
      new QLabel("Measuring station for respiration measurements with three chambers", this));
  auto* ok = new QPushButton("OK", this);
  ok->setAccessibleName("OK");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

}  // namespace corvala
