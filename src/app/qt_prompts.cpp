#include "app/qt_prompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace corvala {
namespace {

constexpr const char* kCaption = "Meldung";

QString Filter(const std::string& extension) {
  const QString pattern = QString("*.%1").arg(QString::fromStdString(extension));
  return QString("%1 (%1)").arg(pattern);
}

}  // namespace

bool QtPrompts::AskOkCancel(const std::string& text) {
  return QMessageBox::warning(parent_, kCaption, QString::fromStdString(text),
                              QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtPrompts::AskYesNo(const std::string& text) {
  return QMessageBox::question(parent_, kCaption, QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompts::ChooseOpenFile(const std::string& extension, std::string& path) {
  const QString chosen =
      QFileDialog::getOpenFileName(parent_, QString(), QString(), Filter(extension));
  if (chosen.isEmpty()) return false;
  path = chosen.toStdString();
  return true;
}

bool QtPrompts::ChooseSaveFile(const std::string& extension, std::string& path) {
  // Overwriting is asked by the station itself, in its own words.
  QString chosen = QFileDialog::getSaveFileName(parent_, QString(), QString(), Filter(extension),
                                                nullptr, QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return false;
  if (QFileInfo(chosen).suffix().isEmpty()) chosen += "." + QString::fromStdString(extension);
  path = chosen.toStdString();
  return true;
}

void QtPrompts::ShowNotice(const std::string& text) {
  QMessageBox::information(parent_, kCaption, QString::fromStdString(text));
}

}  // namespace corvala
