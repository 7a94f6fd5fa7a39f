// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/QtPlatform.h"

#include "platform/CommandLine.h"
#include "platform/DesktopEntries.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include <filesystem>

namespace velmora {
namespace {

// "Image files" with "*.bmp;*.png" becomes Qt's "Image files (*.bmp *.png)".
QString QtFilter(const FileDialogRequest& request)
{
    QString patterns = QString::fromStdString(request.patterns);
    patterns.replace(';', ' ');
    return QString::fromStdString(request.filterDescription) + " (" + patterns + ")";
}

std::optional<std::string> Chosen(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    // The program relies on this: a chosen file is loaded by its bare name,
    // and temporary files land in the folder chosen last.
    QDir::setCurrent(QFileInfo(path).absolutePath());
    return path.toStdString();
}

// A missing local file in the scheme of the shell's result codes.
int MissingFileCode(const std::filesystem::path& path)
{
    const auto folder = path.parent_path();
    return folder.empty() || std::filesystem::is_directory(folder) ? shell_codes::kFileNotFound
                                                                   : shell_codes::kPathNotFound;
}

// The save dialog, which asks before replacing an existing file unless the
// program writes its result elsewhere.
class SaveDialog : public QFileDialog {
public:
    SaveDialog(QWidget* owner, const FileDialogRequest& request)
        : QFileDialog(owner, QString::fromStdString(request.title), QString(), QtFilter(request))
        , neverReplaced_(request.neverReplaced)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        // The dialog adds the suffix before it checks for an existing file.
        setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    }

protected:
    void accept() override
    {
        const QStringList chosen = selectedFiles();
        const bool ask = chosen.isEmpty() || !neverReplaced_ || !neverReplaced_(chosen.constFirst().toStdString());
        setOption(QFileDialog::DontConfirmOverwrite, !ask);
        QFileDialog::accept();
    }

private:
    std::function<bool(const std::string&)> neverReplaced_;
};

} // namespace

std::string ApplicationName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

void QtPlatform::ShowMessage(QWidget* owner, const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(ApplicationName()), QString::fromStdString(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

void QtPlatform::Beep()
{
    QApplication::beep();
}

std::optional<std::string> QtPlatform::AskOpenFile(QWidget* owner, const FileDialogRequest& request)
{
    return Chosen(QFileDialog::getOpenFileName(owner, QString::fromStdString(request.title), QString(),
                                               QtFilter(request), nullptr, QFileDialog::DontUseNativeDialog));
}

std::optional<std::string> QtPlatform::AskSaveFile(QWidget* owner, const FileDialogRequest& request)
{
    SaveDialog dialog(owner, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return Chosen(dialog.selectedFiles().constFirst());
}

int QtPlatform::ShellOpen(const std::string& target)
{
    const QUrl url = QUrl::fromUserInput(QString::fromStdString(target), QDir::currentPath(),
                                         QUrl::AssumeLocalFile);
    if (url.isLocalFile()) {
        const QFileInfo file(url.toLocalFile());
        if (!file.exists())
            return MissingFileCode(file.filePath().toStdString());
        if (!file.isReadable())
            return shell_codes::kAccessDenied;
    }
    return QDesktopServices::openUrl(url) ? shell_codes::kSucceeded : shell_codes::kNoAssociation;
}

std::optional<std::string> QtPlatform::RegisteredBrowserCommand()
{
    return DefaultApplicationCommand("text/html", XdgFoldersFromEnvironment());
}

int QtPlatform::StartCommandLine(const std::string& commandLine)
{
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty())
        return shell_codes::kFileNotFound;
    QStringList arguments;
    for (std::size_t i = 1; i < words.size(); ++i)
        arguments << QString::fromStdString(words[i]);
    const std::filesystem::path program = words[0];
    if (program.has_parent_path() && !std::filesystem::exists(program))
        return MissingFileCode(program);
    return QProcess::startDetached(QString::fromStdString(words[0]), arguments) ? shell_codes::kSucceeded
                                                                                 : shell_codes::kFileNotFound;
}

void QtPlatform::SetWaitCursor(bool waiting)
{
    if (waiting)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::string QtPlatform::ExecutablePath()
{
    return QCoreApplication::applicationFilePath().toStdString();
}

} // namespace velmora
