#include "ui/HelpWindowController.h"

#include "app/TrevaselCommon.h"
#include "ui/Strings.h"
#include "ui_HelpWindowController.h"

#include <QPdfDocument>
#include <QPdfView>

HelpWindowController::HelpWindowController() : m_ui(new Ui::HelpWindowController) {}

HelpWindowController::~HelpWindowController() = default;

QString HelpWindowController::getPDFUrl()
{
    return QStringLiteral(":/manual/") + Strings::text(QStringLiteral("ApplicationMessage8"));
}

QPdfView* HelpWindowController::helpPDFView() const
{
    return m_ui->helpPDFView;
}

void HelpWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    m_document = new QPdfDocument(this);
}

void HelpWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("HelpWindow_Title")));
    m_document->load(getPDFUrl());
    m_ui->helpPDFView->setDocument(m_document);
    m_ui->helpPDFView->setPageMode(QPdfView::PageMode::MultiPage);
    // The full edition fits the pages to the window's width; the basic one shows them at their size.
    if (TrevaselCommon::edition() == Edition::Full)
        m_ui->helpPDFView->setZoomMode(QPdfView::ZoomMode::FitToWidth);
}
