#include "settings/settings_file_dialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace kelp {

std::optional<QString> askForSettingsFile(const QString &folder)
{
    QFileDialog dialog(nullptr, QCoreApplication::translate("kelp::settings", "打开文件"), folder,
                       QCoreApplication::translate("kelp::settings", "初始化文件 (*.ini)"));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint); // above the word window when the settings window asks
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        return dialog.selectedFiles().constFirst();
    return std::nullopt;
}

void sayNoSettingsFile()
{
    QMessageBox::information(nullptr, QCoreApplication::translate("kelp::settings", "提示"),
                             QCoreApplication::translate("kelp::settings", "无法打开初始化文件"));
}

} // namespace kelp
