#include "GLWidget.h"
#include "SeriesChooser.h"
#include "Volume.h"
#include "WindowTestCase.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>

// An exam of several series, written by pydicom as a scanner exports it and as a file set
// with its DICOMDIR: the program lists it on the command line, opens the series asked for
// or refuses a number beyond the list, and the window lets the user choose one.
namespace {

struct Run
{
    int exitCode = -1;
    QStringList lines;
};

Run runProgram(const QStringList &arguments)
{
    QProcess program;
    program.start(QStringLiteral(DICHTENSCHAU_PROGRAM), arguments);
    Run run;
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = program.exitCode();
    run.lines = QString::fromLocal8Bit(program.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

const QString doe = QStringLiteral("; patient DOE^JANE (4711), study 2024-01-31 chest, series ");
const QStringList examLines{
    "1: CT, localizer, 2 images, 8 x 5 x 2, 0.5 x 0.75 x 2.5 mm" + doe + "1",
    "2: CT, axial 2.5, 6 images, 8 x 5 x 6, 0.5 x 0.75 x 2.5 mm" + doe + "2",
    "3: CT, contrast (acquisition 1), 3 images, 8 x 5 x 3, 0.5 x 0.75 x 2.5 mm" + doe + "3",
    "4: CT, contrast (acquisition 2), 3 images, 8 x 5 x 3, 0.5 x 0.75 x 2.5 mm" + doe + "3",
    "5: OT, photo, 1 image, 8 x 5 x 1, 1 x 1 x 1 mm, colour" + doe + "4",
    "6: CT, axial, 4 images, 8 x 5 x 4, 0.5 x 0.75 x 2.5 mm; patient ROE^RICHARD (0815), study 2023-01-05 head, series 1",
};

} // namespace

class TestExam : public WindowTestCase
{
    Q_OBJECT

    QString writeExam(const QString &kind)
    {
        const QString folder = workDir->filePath(kind);
        QDir().mkpath(folder);
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(MAKE_DICOM_SERIES_PATH), kind, folder});
        if (!python.waitForFinished(60000) || python.exitCode() != 0)
            return QString();
        return folder;
    }

    // Answers the chooser once it shows: the series it chose at the start, then the key.
    void answerChooser(int key, int *preselected)
    {
        QTimer::singleShot(50, this, [=] {
            auto *chooser = qobject_cast<SeriesChooser *>(QApplication::activeModalWidget());
            if (!chooser) {
                answerChooser(key, preselected);
                return;
            }
            *preselected = chooser->chosenSeries();
            QTest::keyClick(chooser->tree(), Qt::Key(key));
        });
    }

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }
    void init()
    {
        makeWorkDir();
    }
    void cleanup()
    {
        tearDown();
    }

    void list_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("scanner's folder") << "exam" << "" << 0 << examLines;
        QStringList withMissing = examLines;
        withMissing.replace(1, "2: CT, axial 2.5, 5 images, 8 x 5 x 5, 0.5 x 0.75 x 2.5 mm" + doe + "2");
        QTest::newRow("DICOMDIR with a file missing") << "dicomdir" << "DICOMDIR" << 0 << withMissing;
        QTest::newRow("no DICOM") << "empty" << "" << 1 << QStringList{": the folder holds no DICOM images"};
        QTest::newRow("DICOMDIR of a meta group alone") << "seed meta-group-only" << "DICOMDIR" << 1
                                                        << QStringList{": not a DICOMDIR that can be read"};
        QTest::newRow("DICOMDIR whose implicit item overruns")
            << "seed implicit-item-overrun" << "DICOMDIR" << 1 << QStringList{": not a DICOMDIR that can be read"};
        QTest::newRow("damaged files among the series") << "exam" << "damaged" << 0
                                                        << examLines + QStringList{": passed over 2 of 21 files that are not DICOM images or are damaged"};
    }
    // The lines `--list` prints; a DICOMDIR's lower-cased folders are found, and its missing
    // file named in a note. Two files on which GDCM's header read aborts (an undefined length
    // on a text element; a deflated data set cut inside an element) are passed over instead
    // of ending the scan of the whole folder; so are DICOMDIRs on which GDCM would abort: one
    // that ends with its meta group, one whose implicit sequence holds an item longer than it.
    void list()
    {
        QFETCH(QString, kind);
        QFETCH(QString, path);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        QString folder = workDir->filePath(kind);
        if (kind == QLatin1String("empty"))
            QVERIFY(QDir().mkpath(folder));
        else if (kind.startsWith(QLatin1String("seed ")))
            QVERIFY(QDir().mkpath(folder)
                    && QFile::copy(QStringLiteral(DICOM_CORPUS_PATH "/") + kind.mid(5), QDir(folder).filePath(QStringLiteral("DICOMDIR"))));
        else
            folder = writeExam(kind);
        if (folder.isEmpty())
            QSKIP("/usr/bin/python3 with pydicom (python3-pydicom) is needed to write the exam");
        if (kind == QLatin1String("dicomdir")) {
            // The axial series' slice at the top, whose loss leaves the rest evenly spaced.
            lines.append(QStringLiteral("DICOMDIR: 1 of the 19 files it names are missing: PT000000/ST000000/SE000001/IM000005"));
            QVERIFY(QFile::remove(QDir(folder).filePath(QStringLiteral("pt000000/st000000/se000001/IM000005"))));
        }
        if (path == QLatin1String("damaged")) {
            for (const char *name : {"undefined-length-text", "deflated-cut-short"})
                QVERIFY(QFile::copy(QStringLiteral(DICOM_CORPUS_PATH "/") + name, QDir(folder).filePath(name)));
            path.clear();
        }
        const Run run = runProgram({QStringLiteral("--list"), QDir(folder).filePath(path)});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.lines.size(), lines.size());
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY2(run.lines[i].endsWith(lines[i]), qPrintable(run.lines[i]));
    }

    // A series beyond the list is one line and no picture; without a number the largest
    // grey series opens and the note names the others by their numbers.
    void snapshotSeries_data()
    {
        QTest::addColumn<QStringList>("series");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("line");
        QTest::newRow("beyond the list") << QStringList{"--series", "7"} << 1 << ": there is no series 7: the exam holds 6 series";
        QTest::newRow("colour") << QStringList{"--series", "5"} << 1 << "holds colour images; only grey images are shown";
        QTest::newRow("the fourth") << QStringList{"--series", "4"} << 0 << "";
    }
    void snapshotSeries()
    {
        QFETCH(QStringList, series);
        QFETCH(int, exitCode);
        QFETCH(QString, line);
        const QString folder = writeExam(QStringLiteral("exam"));
        if (folder.isEmpty())
            QSKIP("/usr/bin/python3 with pydicom (python3-pydicom) is needed to write the exam");
        const QString picture = workDir->filePath(QStringLiteral("out.png"));
        const Run run = runProgram(QStringList{"--snapshot", picture, "--size", "64x64"} + series + QStringList{folder});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(QFile::exists(picture), exitCode == 0);
        if (!line.isEmpty())
            QVERIFY2(run.lines.size() == 1 && run.lines[0].endsWith(line), qPrintable(run.lines.join('\n')));
    }

    // The window shows the chooser for an exam of several series with the largest grey one
    // chosen; Enter opens it, Escape keeps the volume shown.
    void chooser()
    {
        const QString folder = writeExam(QStringLiteral("exam"));
        if (folder.isEmpty())
            QSKIP("/usr/bin/python3 with pydicom (python3-pydicom) is needed to write the exam");
        startWindow();
        QSignalSpy finished(window.get(), &Window::openFinished);
        int preselected = 0;
        answerChooser(Qt::Key_Return, &preselected);
        ProgramRequest request;
        request.volumes = QStringList{folder};
        window->startWith(request);
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 2, 30000);
        QCOMPARE(preselected, 2);
        QCOMPARE(finished.last().at(0).toBool(), true);
        const Volume *opened = window->view()->volume();
        QCOMPARE(opened->statedSize().z, 6);

        answerChooser(Qt::Key_Escape, &preselected);
        window->startWith(request);
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 3 && !QApplication::activeModalWidget(), 30000);
        QTest::qWait(200);
        QCOMPARE(finished.size(), 3);
        QCOMPARE(window->view()->volume(), opened);
    }
};

QTEST_MAIN(TestExam)
#include "tst_exam.moc"
