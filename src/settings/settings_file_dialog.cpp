#include "settings/settings_file_dialog.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kelp {

std::optional<QString> askForSettingsFile(const QString &folder)
{
    QFileDialog dialog(nullptr, QStringLiteral("打开文件"), folder, QStringLiteral("初始化文件 (*.ini)"));
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
    QMessageBox::information(nullptr, QStringLiteral("提示"), QStringLiteral("无法打开初始化文件"));
}

} // namespace kelp
