// trevasel-manual-pdf INPUT.html OUTPUT.pdf LANGUAGE: prints the user manual's HTML source as an A4
// PDF, offscreen, in the face that suits the language ("ja" draws kana and kanji in the Japanese face
// of Noto, not in a Chinese fallback). The build runs it for each manual it compiles in.

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextStream>

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
    QTextDocument document;
    QFont font;
    font.setFamilies(japanese
                         ? QStringList{QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")}
                         : QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setHtml(QString::fromUtf8(source.readAll()));

    QPdfWriter writer(output);
    writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
    writer.setCreator(QStringLiteral("Trevasel"));
    // The document lays text out at the screen's 96 dots per inch; the writer uses the same grid, so
    // a page of the layout is a page of paper. Text stays vector text whatever the grid.
    writer.setResolution(96);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
    document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size().toSizeF());
    document.print(&writer);
    if (!QFile::exists(output)) {
        QTextStream(stderr) << "cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
