// trevasel-manual-pdf INPUT.html OUTPUT.pdf LANGUAGE: prints the user manual's HTML source as an A4
// PDF, offscreen, in the face that suits the language. The build runs it for each manual it compiles in.
//
// Japanese is set in IPA P Gothic, not in Noto Sans CJK: Qt writes a PDF font's ToUnicode map by asking
// the font's cmap which character each glyph stands for, lowest code point first. Noto Sans CJK maps
// many kanji and a Kangxi radical (U+2F00 on) to the same glyph, so 日, 手, 見 ... came out as radicals
// in the text layer; and its "locl" feature swaps the digits of a Latin run ("K-22") for glyphs that
// no character maps to, so they came out as nothing. IPA P Gothic has neither.
//
// The pages are cut here, not by QTextDocument::print: that would cut a table row in two where the
// page ends. The document is laid out as one long page; a page ends before the first line or table
// row that would not fit whole, or before the heading or introducing line that goes with it.

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextStream>
#include <QTextTable>

#include <algorithm>
#include <limits>
#include <map>
#include <vector>

namespace {

// A stretch of the laid-out document that no page break may cut.
struct Unit
{
    qreal top = 0;
    qreal bottom = 0;
    bool breakBefore = false;  // "page-break-before: always"
    bool keepWithNext = false; // stays on the page of what follows it
};

std::vector<Unit> unitsOf(const QTextDocument& document)
{
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    std::vector<Unit> units;
    struct Extent
    {
        qreal top = std::numeric_limits<qreal>::max();
        qreal bottom = std::numeric_limits<qreal>::lowest();
    };
    std::map<QTextTable*, std::map<int, Extent>> tableRows;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        if (QTextTable* table = QTextCursor(block).currentTable()) {
            Extent& row = tableRows[table][table->cellAt(block.position()).row()];
            row.top = std::min(row.top, rect.top());
            row.bottom = std::max(row.bottom, rect.bottom());
            continue;
        }
        if (block.length() <= 1)
            continue; // the empty blocks the layout tucks in beside a table
        const QTextBlockFormat format = block.blockFormat();
        const QTextLayout* text = block.layout();
        // A heading stays with what follows it, and so does the last line of a paragraph that
        // introduces a list, a table or a line of its own.
        const QTextBlock next = block.next();
        const bool introduces =
            !block.textList() &&
            (block.text().endsWith(QLatin1Char(':')) || block.text().endsWith(QChar(0xFF1A)) ||
             (next.isValid() && (next.textList() || QTextCursor(next).currentTable())));
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            const qreal top = rect.top() - text->boundingRect().top() + line.y();
            units.push_back({top, top + line.height(),
                             i == 0 && (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore),
                             format.headingLevel() > 0 || (introduces && i == text->lineCount() - 1)});
        }
    }
    for (const auto& [table, rows] : tableRows) {
        // A row reaches from halfway between its text and the previous row's to halfway to the next
        // row's: there, between the two rows' borders, the page may end.
        const QRectF frame = layout->frameBoundingRect(table);
        qreal top = frame.top();
        bool first = true;
        for (auto row = rows.begin(); row != rows.end(); ++row) {
            const auto next = std::next(row);
            const qreal bottom =
                next == rows.end() ? frame.bottom() : (row->second.bottom + next->second.top) / 2;
            // The heading row stays with the first row under it.
            units.push_back(
                {top, bottom,
                 first && (table->format().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore),
                 first && next != rows.end()});
            top = bottom;
            first = false;
        }
    }
    std::sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) { return a.top < b.top; });
    return units;
}

// Where each page begins, in the coordinates of the document laid out as one long page.
std::vector<qreal> pageTops(const std::vector<Unit>& units, qreal pageHeight)
{
    // Headings join what follows them; stretches that overlap join too.
    std::vector<Unit> groups;
    for (const Unit& unit : units) {
        if (!groups.empty() && !unit.breakBefore &&
            (groups.back().keepWithNext || unit.top < groups.back().bottom - 0.5)) {
            groups.back().bottom = std::max(groups.back().bottom, unit.bottom);
            groups.back().keepWithNext = unit.keepWithNext;
        } else {
            groups.push_back(unit);
        }
    }
    std::vector<qreal> tops{0};
    for (const Unit& group : groups) {
        if (group.top > tops.back() && (group.breakBefore || group.bottom > tops.back() + pageHeight))
            tops.push_back(group.top);
        while (group.bottom > tops.back() + pageHeight) // taller than a page: cut where it must
            tops.push_back(tops.back() + pageHeight);
    }
    return tops;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 4) {
        QTextStream(stderr) << "usage: trevasel-manual-pdf INPUT.html OUTPUT.pdf LANGUAGE\n";
        return 2;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const bool japanese = QString::fromLocal8Bit(argv[3]) == QLatin1String("ja");

    QFile source(input);
    if (!source.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "cannot read " << input << '\n';
        return 1;
    }
    const QString japaneseFace = QStringLiteral("IPAPGothic");
    QFont font;
    font.setFamilies(japanese ? QStringList{japaneseFace, QStringLiteral("DejaVu Sans")}
                              : QStringList{QStringLiteral("DejaVu Sans"), japaneseFace});
    font.setPointSizeF(10.5);
    // No ligatures: the text layer would hold "ﬁ" (U+FB01) where the source says "fi", and "file" would
    // not be found.
    font.setStyleStrategy(QFont::PreferNoShaping);
    if (japanese && QFontInfo(font).family() != japaneseFace) {
        QTextStream(stderr)
            << "the Japanese manual needs the font IPAPGothic (Debian: fonts-ipafont-gothic); "
               "another face would garble the PDF's text\n";
        return 1;
    }
    QTextDocument document;
    document.setDefaultFont(font);
    document.setHtml(QString::fromUtf8(source.readAll()));

    QPdfWriter writer(output);
    writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
    writer.setCreator(QStringLiteral("Trevasel"));
    // The document lays text out at the screen's 96 dots per inch; the writer uses the same grid, so
    // a pixel of the layout is a pixel of paper. Text stays vector text whatever the grid.
    writer.setResolution(96);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
    const QSizeF page = writer.pageLayout().paintRectPixels(writer.resolution()).size().toSizeF();
    document.setTextWidth(page.width()); // one long page
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    const std::vector<qreal> tops = pageTops(unitsOf(document), page.height());
    const qreal end = layout->documentSize().height();

    QFont footerFont = font;
    footerFont.setPointSizeF(8.5);
    QPainter painter(&writer);
    for (std::size_t i = 0; i < tops.size(); ++i) {
        if (i != 0)
            writer.newPage();
        const qreal bottom = i + 1 < tops.size() ? tops[i + 1] : end;
        const QRectF view(0, tops[i], page.width(), bottom - tops[i]);
        painter.save();
        painter.translate(0, -tops[i]);
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        // A line that merely touches the page's edge belongs to the neighbouring page: drawn here as
        // well, it would be in the text twice.
        context.clip = view.adjusted(0, 0.5, 0, -0.5);
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->draw(&painter, context);
        painter.restore();

        painter.setFont(footerFont);
        painter.setPen(QColor(0x70, 0x70, 0x70));
        painter.drawText(QRectF(0, page.height() + 12, page.width(), 24), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("%1 / %2").arg(i + 1).arg(tops.size()));
    }
    if (!painter.end() || !QFile::exists(output)) {
        QTextStream(stderr) << "cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
