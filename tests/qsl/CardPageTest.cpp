#include "CardPage.h"
#include "CardPrinter.h"

#include "QslTestSupport.h"

#include <QDir>
#include <QProcess>

namespace mivra::qsl::test {

namespace {

TEST(CardPage, SignatureArithmetic)
{
    // The A6 landscape example: a box 2.6 times as wide as high.
    EXPECT_EQ(signPlacement(QSizeF(2.6, 1), QSizeF(8391, 5953)), (BitmapPlacement{6446, 4461, 1300, 600}));
    // The template's boxes, each with its 2-pixel border.
    const auto& pictures = CardTemplate::pictures();
    EXPECT_EQ(signPlacement(pictureInnerSize(pictures[0]), QSizeF(8391, 5953)).width, 1322);
    EXPECT_EQ(clubSignPlacement(pictureInnerSize(pictures[1]), QSizeF(8391, 5953)),
              (BitmapPlacement{79, 4394, 507, 900}));
    // Halves go to the even neighbour: w = 0.5 and 1.5, x = (1001 - 0) / 1.1 ... = 910.
    EXPECT_EQ(signPlacement(QSizeF(1, 1000), QSizeF(1000, 600)).width, 0);
    EXPECT_EQ(signPlacement(QSizeF(3, 1000), QSizeF(1000, 600)).width, 2);
    EXPECT_EQ(clubSignPlacement(QSizeF(0, 900), QSizeF(250, 900)).x, 2) << "2.5 gives 2";
    EXPECT_EQ(clubSignPlacement(QSizeF(0, 900), QSizeF(350, 900)).x, 4) << "3.5 gives 4";
}

class CardPdfTest : public ::testing::Test {
protected:
    QString printCard(CardFields& card, const QStringList& bitmapFolders)
    {
        PdfFolderCardOutput output(cardFolder(m_dir.path()));
        CardPrinter printer(output, bitmapFolders);
        QString error;
        EXPECT_TRUE(printer.printCard(card, &error)) << error.toStdString();
        const QStringList files = QDir(output.folder()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
        return files.isEmpty() ? QString() : QDir(output.folder()).filePath(files.last());
    }
    QTemporaryDir m_dir;
};

// Each text lands at its twip position (a text box inset by 4 twips per point), in points on the page.
TEST_F(CardPdfTest, TextsLandAtTheirTwipPositions)
{
    CardFields card;
    card.setText(QStringLiteral("Cal"), QStringLiteral("OK1ABC"));
    card.setCell(0, 2, QStringLiteral("01.05.26"));
    card.setCell(6, 4, QStringLiteral("256"));
    card.setText(QStringLiteral("Label6"), QStringLiteral("Infoline"));
    card.setText(QStringLiteral("GridL1"), QStringLiteral("beyond the right edge"));
    const QString pdf = printCard(card, {assetsFolder()});
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_TRUE(pdf.endsWith(QStringLiteral("000001-OK1ABC.pdf"))) << pdf.toStdString();
    EXPECT_EQ(pdfPages(pdf), 1);

    struct Expected {
        QString word;
        double leftTwips, topTwips;
    };
    const Expected expected[] = {
        {QStringLiteral("OK1ABC"), 5250 + 72, 30 + 72},       // Cal, Arial 18
        {QStringLiteral("01.05.26"), 315 + 36, 1650 + 36},    // datem(2), Arial 9
        {QStringLiteral("256"), 6640 + 36, 2310 + 36},        // qtf(4)
        {QStringLiteral("QRB(km)"), 5640 + 39 + 54, 960 + 39}, // header " QRB(km)", one space in
        {QStringLiteral("Infoline"), 60, 2820},               // Label6, a settings line
    };
    const std::vector<PdfWord> words = pdfWords(pdf);
    for (const Expected& e : expected) {
        const auto word = std::find_if(words.begin(), words.end(), [&](const PdfWord& w) { return w.text == e.word; });
        ASSERT_NE(word, words.end()) << e.word.toStdString();
        EXPECT_NEAR(word->xMin * 20, e.leftTwips, 40) << e.word.toStdString();
        EXPECT_NEAR(word->yMin * 20, e.topTwips, 40) << e.word.toStdString();
    }
    // A long text is printed in full beyond its label.
    const auto edge = std::find_if(words.begin(), words.end(), [](const PdfWord& w) { return w.text == QLatin1String("edge"); });
    ASSERT_NE(edge, words.end());
    EXPECT_GT(edge->xMax * 20, 1890 + 750) << "GridL1 ends at 2640 twips";

    // Regular weight on paper, bold only on screen.
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {pdf});
    ASSERT_TRUE(fonts.waitForFinished());
    const QString fontList = QString::fromUtf8(fonts.readAllStandardOutput());
    EXPECT_TRUE(fontList.contains(QStringLiteral("LiberationSans"))) << fontList.toStdString();
    EXPECT_FALSE(fontList.contains(QStringLiteral("Bold"))) << fontList.toStdString();
}

// "Empty Card" right after the window opens: no greeting on the card, "PSE QSL" afterwards; each
// card is a file of one page, named in print order.
TEST_F(CardPdfTest, GreetingAfterTheFirstCardAndOnePagePerCard)
{
    CardFields card;
    const QString first = printCard(card, {});
    EXPECT_EQ(card.text(QStringLiteral("Label4")), QStringLiteral("PSE QSL"));
    const QString second = printCard(card, {});
    EXPECT_TRUE(first.endsWith(QStringLiteral("000001-card.pdf"))) << first.toStdString();
    EXPECT_TRUE(second.endsWith(QStringLiteral("000002-card.pdf"))) << second.toStdString();
    auto hasGreeting = [](const QString& pdf) {
        const auto words = pdfWords(pdf);
        return std::any_of(words.begin(), words.end(), [](const PdfWord& w) { return w.text == QLatin1String("PSE"); });
    };
    EXPECT_FALSE(hasGreeting(first));
    EXPECT_TRUE(hasGreeting(second));
    EXPECT_EQ(pdfPages(first), 1);
    EXPECT_EQ(pdfPages(second), 1);
}

// The bitmaps land where the arithmetic puts them on the written page: two plain-coloured images,
// the page rendered at 144 dpi (10 twips a pixel), the box of each colour measured.
TEST_F(CardPdfTest, BitmapsLandAtTheirPlacements)
{
    QImage sign(20, 8, QImage::Format_RGB32);
    sign.fill(Qt::red);
    QImage clubSign(8, 20, QImage::Format_RGB32);
    clubSign.fill(Qt::green);
    PdfFolderCardOutput output(cardFolder(m_dir.path()));
    QString error;
    ASSERT_TRUE(output.printCard(CardFields(), {sign, clubSign}, QStringLiteral("X"), &error)) << error.toStdString();
    const QString pdf = QDir(output.folder()).filePath(QStringLiteral("000001-X.pdf"));
    const QString png = m_dir.filePath(QStringLiteral("page"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("144"), QStringLiteral("-png"),
                                 QStringLiteral("-singlefile"), pdf, png}),
              0);
    const QImage page(png + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());

    // Pixels near the colour (the writer may store images lossily).
    auto boxOf = [&page](QRgb colour) {
        QRect box;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QRgb pixel = page.pixel(x, y);
                if (std::abs(qRed(pixel) - qRed(colour)) + std::abs(qGreen(pixel) - qGreen(colour))
                        + std::abs(qBlue(pixel) - qBlue(colour)) < 120)
                    box |= QRect(x, y, 1, 1);
            }
        return QRect(box.x() * 10, box.y() * 10, box.width() * 10, box.height() * 10);
    };
    const auto& pictures = CardTemplate::pictures();
    const BitmapPlacement expected[] = {signPlacement(pictureInnerSize(pictures[0]), PdfFolderCardOutput::pageTwips()),
                                        clubSignPlacement(pictureInnerSize(pictures[1]), PdfFolderCardOutput::pageTwips())};
    const QRect found[] = {boxOf(qRgb(255, 0, 0)), boxOf(qRgb(0, 255, 0))};
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(found[i].x(), expected[i].x, 20) << i;
        EXPECT_NEAR(found[i].y(), expected[i].y, 20) << i;
        EXPECT_NEAR(found[i].width(), expected[i].width, 30) << i;
        EXPECT_NEAR(found[i].height(), expected[i].height, 30) << i;
    }
    // On the card-sized page they sit where the window shows its picture boxes.
    EXPECT_NEAR(expected[0].x, pictures[0].left, 300);
    EXPECT_NEAR(expected[1].y, pictures[1].top, 100);
}

TEST_F(CardPdfTest, UnwritableFolderIsReported)
{
    QFile blocker(cardFolder(m_dir.path()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    PdfFolderCardOutput output(cardFolder(m_dir.path()));
    CardPrinter printer(output, {});
    CardFields card;
    QString error;
    EXPECT_FALSE(printer.printCard(card, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("qsl-cards"))) << error.toStdString();
}

} // namespace

} // namespace mivra::qsl::test
