#include "DicomSeriesRules.h"
#include "ImportError.h"

#include <QTest>

// The series rules on header records made here, without files: which images make one entry
// of the exam, in which order the entries and their images come, and which spacing a stack
// has or why it has none.
namespace {

// One image, as compact as the rows need it: axial 8 x 5 planes at z unless said otherwise.
struct Image
{
    QString uid;
    double z = 0.0;
    long acquisition = 1;
    QString number = QStringLiteral("1");
    QString patient = QStringLiteral("DOE^JANE");
    bool coronal = false;
    unsigned columns = 8;
    bool colour = false;
    QString instance;
};

DicomHeader headerOf(const Image &image, int index)
{
    DicomHeader header;
    header.path = QStringLiteral("/exam/IM%1").arg(index);
    header.seriesUid = image.uid;
    header.seriesNumber = image.number;
    header.patientName = image.patient;
    header.instanceUid = image.instance.isEmpty() ? header.path : image.instance;
    header.rows = 5;
    header.columns = image.columns;
    header.samplesPerPixel = image.colour ? 3 : 1;
    header.hasOrientation = header.hasPosition = true;
    header.orientation = image.coronal ? std::array<double, 6>{1, 0, 0, 0, 0, -1} : std::array<double, 6>{1, 0, 0, 0, 1, 0};
    header.position = image.coronal ? std::array<double, 3>{0, image.z, 0} : std::array<double, 3>{0, 0, image.z};
    header.hasAcquisition = true;
    header.acquisition = image.acquisition;
    header.instance = index;
    return header;
}

std::vector<DicomHeader> headersOf(const QVector<Image> &images)
{
    std::vector<DicomHeader> headers;
    for (int i = 0; i < images.size(); ++i)
        headers.push_back(headerOf(images[i], i));
    return headers;
}

Image at(const QString &uid, double z, long acquisition = 1)
{
    Image image;
    image.uid = uid;
    image.z = z;
    image.acquisition = acquisition;
    return image;
}

} // namespace

Q_DECLARE_METATYPE(QVector<Image>)

class TestDicomSeriesRules : public QObject
{
    Q_OBJECT

private slots:
    void entries_data()
    {
        QTest::addColumn<QVector<Image>>("images");
        // Each entry in list order as its series UID and image count, and its part of a
        // series that made several.
        QTest::addColumn<QString>("entries");
        QTest::newRow("one series") << QVector<Image>{at("A", 0), at("A", 2.5), at("A", 5)} << "A:3";
        Image coronal = at("A", 1);
        coronal.coronal = true;
        QTest::newRow("another orientation") << QVector<Image>{at("A", 0), coronal, at("A", 2.5)} << "A:2(part 1 of 2) A:1(part 2 of 2)";
        Image narrow = at("A", 5);
        narrow.columns = 6;
        QTest::newRow("another size") << QVector<Image>{at("A", 0), narrow, at("A", 2.5)} << "A:2(part 1 of 2) A:1(part 2 of 2)";
        Image colour = at("A", 5);
        colour.colour = true;
        QTest::newRow("colour beside grey") << QVector<Image>{colour, at("A", 0), at("A", 2.5)} << "A:1(part 1 of 2) A:2(part 2 of 2)";
        QTest::newRow("acquisitions over the same places")
            << QVector<Image>{at("A", 0, 1), at("A", 0, 2), at("A", 2.5, 2), at("A", 2.5, 1)} << "A:2(acquisition 1) A:2(acquisition 2)";
        QTest::newRow("acquisitions that continue each other")
            << QVector<Image>{at("A", 0, 1), at("A", 5, 2), at("A", 2.5, 1), at("A", 7.5, 2)} << "A:4";
        Image copy = at("A", 0);
        copy.instance = QStringLiteral("/exam/IM0");
        QTest::newRow("a copy counts once") << QVector<Image>{at("A", 0), copy, at("A", 2.5)} << "A:2";
        Image tenth = at("B", 0);
        tenth.number = QStringLiteral("10");
        Image ninth = at("C", 0);
        ninth.number = QStringLiteral("9");
        QTest::newRow("series numbers as numbers") << QVector<Image>{tenth, ninth} << "C:1 B:1";
        Image other = at("B", 0);
        other.patient = QStringLiteral("ABEL^ANNA");
        other.number = QStringLiteral("7");
        QTest::newRow("patients first") << QVector<Image>{at("A", 0), other} << "B:1 A:1";
    }
    void entries()
    {
        QFETCH(QVector<Image>, images);
        QFETCH(QString, entries);
        const std::vector<DicomSeriesRules::Stack> stacks = DicomSeriesRules::stacksOf(headersOf(images));
        const std::vector<ExamSeries> exam = DicomSeriesRules::describeAll(stacks);
        QStringList found;
        for (size_t i = 0; i < stacks.size(); ++i) {
            const QString part = exam[i].part.empty() ? QString() : QStringLiteral("(%1)").arg(QString::fromStdString(exam[i].part));
            found << QStringLiteral("%1:%2%3").arg(stacks[i].front().seriesUid).arg(stacks[i].size()).arg(part);
        }
        QCOMPARE(found.join(QLatin1Char(' ')), entries);
    }

    void spacing_data()
    {
        QTest::addColumn<QVector<double>>("places");
        QTest::addColumn<double>("spacing");
        // Empty where the stack has a spacing.
        QTest::addColumn<QString>("refusal");
        QTest::newRow("shuffled, even") << QVector<double>{5, 0, 7.5, 2.5} << 2.5 << "";
        QTest::newRow("descending") << QVector<double>{-3, -1, -2} << 1.0 << "";
        QTest::newRow("a slice missing") << QVector<double>{0, 2.5, 7.5, 10} << 0.0 << "/exam: the slices are unevenly spaced: 5 mm between";
        QTest::newRow("two at one place") << QVector<double>{0, 2.5, 2.5, 5} << 0.0 << "lie at the same position";
    }
    void spacing()
    {
        QFETCH(QVector<double>, places);
        QFETCH(double, spacing);
        QFETCH(QString, refusal);
        QVector<Image> images;
        for (double z : places)
            images << at("A", z);
        DicomSeriesRules::Stack stack = headersOf(images);
        DicomSeriesRules::sortStack(&stack);
        for (size_t i = 1; i < stack.size(); ++i)
            QVERIFY(stack[i - 1].position[2] <= stack[i].position[2]);
        try {
            QCOMPARE(DicomSeriesRules::checkedSpacing(QStringLiteral("/exam"), stack), spacing);
            QVERIFY(refusal.isEmpty());
        } catch (const ImportError &error) {
            QVERIFY2(!refusal.isEmpty() && error.message().contains(refusal), qPrintable(error.message()));
        }
    }

    void listedEntry()
    {
        const ExamSeries series = DicomSeriesRules::describe(headersOf({at("A", 0), at("A", 1.25), at("A", 2.5)}));
        QCOMPARE((QVector<int>{series.sizes[0], series.sizes[1], series.sizes[2], series.images}), (QVector<int>{8, 5, 3, 3}));
        QCOMPARE(series.spacing[2], 1.25);
        QCOMPARE(series.patientName, std::string("DOE^JANE"));
    }

    void largestShowable_data()
    {
        QTest::addColumn<QVector<int>>("images");
        QTest::addColumn<QVector<bool>>("colour");
        QTest::addColumn<int>("largest");
        QTest::newRow("most images") << QVector<int>{2, 6, 3} << QVector<bool>{false, false, false} << 1;
        QTest::newRow("first of equals") << QVector<int>{4, 4} << QVector<bool>{false, false} << 0;
        QTest::newRow("colour passed over") << QVector<int>{2, 9} << QVector<bool>{false, true} << 0;
        QTest::newRow("only colour") << QVector<int>{1, 3} << QVector<bool>{true, true} << 1;
    }
    void largestShowable()
    {
        QFETCH(QVector<int>, images);
        QFETCH(QVector<bool>, colour);
        QFETCH(int, largest);
        std::vector<ExamSeries> exam(size_t(images.size()));
        for (int i = 0; i < images.size(); ++i) {
            exam[size_t(i)].images = images[i];
            exam[size_t(i)].colour = colour[i];
        }
        QCOMPARE(int(largestShowableSeries(exam)), largest);
    }
};

QTEST_GUILESS_MAIN(TestDicomSeriesRules)
#include "tst_dicomseriesrules.moc"
