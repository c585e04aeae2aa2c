#include "ui/DialogService.h"

#include <QFileDialog>
#include <QLabel>
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
    // A path or an address in a message can be copied from it.
    for (QLabel* label : box->findChildren<QLabel*>())
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->addButton(sheet.buttonTitle, QMessageBox::AcceptRole);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
}

void DialogService::chooseFolder(QWidget* parent, const FolderRequest& request,
                                 std::function<void(const QString& folder)> chosen)
{
    if (state().answering) {
        state().folderRequests.push_back(request);
        const QString answer =
            state().folderAnswers.isEmpty() ? QString() : state().folderAnswers.takeFirst();
        if (!answer.isEmpty())
            chosen(answer);
        return;
    }
    // Opened, not run: the program's windows and timers go on while the user looks for the folder.
    auto* dialog = new QFileDialog(parent, request.title, request.startFolder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept, request.acceptButtonTitle);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [chosen = std::move(chosen)](const QString& folder) {
                         if (!folder.isEmpty())
                             chosen(folder);
                     });
    dialog->open();
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
