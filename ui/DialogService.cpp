#include "ui/DialogService.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

struct AnsweringState
{
    bool answering = false;
    QStringList folderAnswers;
    std::vector<DialogService::Sheet> sheets;
    std::vector<DialogService::FolderRequest> folderRequests;
};

AnsweringState& state()
{
    static AnsweringState answeringState;
    return answeringState;
}

} // namespace

void DialogService::showSheet(QWidget* window, const Sheet& sheet)
{
    if (state().answering) {
        state().sheets.push_back(sheet);
        return;
    }
    auto* box = new QMessageBox(window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setText(sheet.message.isEmpty() ? sheet.informativeText : sheet.message);
    if (!sheet.message.isEmpty())
        box->setInformativeText(sheet.informativeText);
    box->addButton(sheet.buttonTitle, QMessageBox::AcceptRole);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
}

QString DialogService::chooseFolder(QWidget* parent, const FolderRequest& request)
{
    if (state().answering) {
        state().folderRequests.push_back(request);
        return state().folderAnswers.isEmpty() ? QString() : state().folderAnswers.takeFirst();
    }
    QFileDialog dialog(parent, request.title, request.startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, request.acceptButtonTitle);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void DialogService::setAnswering(bool answering)
{
    state() = AnsweringState{};
    state().answering = answering;
}

bool DialogService::isAnswering()
{
    return state().answering;
}

void DialogService::setNextFolderAnswer(const QString& folder)
{
    state().folderAnswers.append(folder);
}

const std::vector<DialogService::Sheet>& DialogService::shownSheets()
{
    return state().sheets;
}

const std::vector<DialogService::FolderRequest>& DialogService::folderRequests()
{
    return state().folderRequests;
}
