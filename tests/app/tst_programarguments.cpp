#include "ProgramArguments.h"

#include <QProcess>
#include <QTest>

Q_DECLARE_METATYPE(ProgramRequest::Action)

namespace {

// Empty where nothing may be there; else what must come first.
void compareStart(const QString &actual, const QString &expectedStart)
{
    if (expectedStart.isEmpty())
        QVERIFY2(actual.isEmpty(), qPrintable(actual));
    else
        QVERIFY2(actual.startsWith(expectedStart), qPrintable(actual));
}

} // namespace

// The forms of the command line: which one the arguments ask for, and what the program
// answers to help, version and mistakes, without a window and without a display.
class TestProgramArguments : public QObject
{
    Q_OBJECT

private slots:
    void forms_data()
    {
        using A = ProgramRequest::Action;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<A>("action");
        QTest::addColumn<QStringList>("volumes");
        // The mistake or the declined value's line, from its start; empty where there is none.
        QTest::addColumn<QString>("message");
        QTest::newRow("dash-named volume after --") << QStringList{"--", "-a.dat", "--help"} << A::OpenWindow
                                                    << QStringList{"-a.dat", "--help"} << "";
        QTest::newRow("snapshot") << QStringList{"--snapshot", "o.png", "--size", "9x9", "--turn", "1,2", "v.nii"} << A::TakeSnapshot
                                  << QStringList{"v.nii"} << "";
        QTest::newRow("snapshot named like an option") << QStringList{"--snapshot", "--help", "v.nii"} << A::TakeSnapshot
                                                       << QStringList{"v.nii"} << "";
        QTest::newRow("value after =") << QStringList{"--snapshot=o.png", "--size=9x9", "v.nii"} << A::TakeSnapshot
                                       << QStringList{"v.nii"} << "";
        QTest::newRow("toolkit's own option") << QStringList{"-platform", "offscreen", "a.dat"} << A::OpenWindow
                                              << QStringList{"a.dat"} << "";
        QTest::newRow("help wins over a mistake") << QStringList{"--frob", "--help"} << A::ShowUsage << QStringList{} << "";
        QTest::newRow("single dash") << QStringList{"-x"} << A::Refuse << QStringList{} << "unknown option -x";
        QTest::newRow("picture option alone") << QStringList{"--turn", "1,2", "a.dat"} << A::Refuse << QStringList{"a.dat"}
                                              << "--turn is an option of --snapshot";
        QTest::newRow("mistake before bad value") << QStringList{"--snapshot", "o.png", "--size", "0x0", "--frob", "v.nii"}
                                                  << A::Refuse << QStringList{"v.nii"} << "unknown option --frob";
        QTest::newRow("bad value") << QStringList{"--snapshot", "o.png", "--turn", "1", "v.nii"} << A::Decline
                                   << QStringList{"v.nii"} << "Can't take the turn 1: give it as X,Z in degrees, e.g. 30,45";
        QTest::newRow("two volumes to draw") << QStringList{"--snapshot", "o.png", "a.nii", "b.nii"} << A::Decline
                                             << QStringList{"a.nii", "b.nii"} << "usage: dichtenschau --snapshot OUT.png [--size WxH]";
        QTest::newRow("slab not a number") << QStringList{"--snapshot", "o.png", "--slab", "thick,mip", "v.nii"} << A::Decline
                                           << QStringList{"v.nii"} << "Can't take the slab thick,mip: give it as MILLIMETRES,MODE";
        QTest::newRow("slab of a bad mode") << QStringList{"--snapshot", "o.png", "--slab", "15,max", "v.nii"} << A::Decline
                                            << QStringList{"v.nii"} << "Can't take the slab 15,max:";
        QTest::newRow("slab below 0") << QStringList{"--snapshot", "o.png", "--slab", "-1,mean", "v.nii"} << A::Decline
                                      << QStringList{"v.nii"} << "Can't take the slab -1,mean:";
        QTest::newRow("mode of a bad word") << QStringList{"--snapshot", "o.png", "--mode", "max", "v.nii"} << A::Decline
                                            << QStringList{"v.nii"} << "Can't take the mode max: give composite, mip, minip or average";
        QTest::newRow("mode alone") << QStringList{"--mode", "mip", "v.nii"} << A::Refuse << QStringList{"v.nii"}
                                    << "--mode is an option of --snapshot";
    }
    void forms()
    {
        QFETCH(QStringList, arguments);
        QFETCH(ProgramRequest::Action, action);
        QFETCH(QStringList, volumes);
        QFETCH(QString, message);
        const ProgramRequest request = ProgramArguments::parse(QStringList{"dichtenschau"} + arguments);
        QCOMPARE(request.action, action);
        if (action != ProgramRequest::Action::ShowUsage)
            QCOMPARE(request.volumes, volumes);
        compareStart(request.mistake + request.declined, message);
    }

    // Each option's value lands in its own field, and an option not given leaves its default.
    void valuesTaken()
    {
        const ProgramRequest request = ProgramArguments::parse(
            {"dichtenschau", "--snapshot", "o.png", "--size", "640x480", "--turn", "30,-45.5", "--view", "sagittal",
             "--crop", "0,0.5,0.25,1,0,0.75", "v.nii"});
        QCOMPARE(request.action, ProgramRequest::Action::TakeSnapshot);
        QCOMPARE(request.output, QString("o.png"));
        QCOMPARE(request.size, QSize(640, 480));
        QCOMPARE(request.turnX, 30.0);
        QCOMPARE(request.turnZ, -45.5);
        QCOMPARE(request.view, ProgramRequest::PictureView::Sagittal);
        QVERIFY(!request.window);
        const std::array<double, 6> crop{0, 0.5, 0.25, 1, 0, 0.75};
        QCOMPARE(request.crop, crop);

        const ProgramRequest windowed =
            ProgramArguments::parse({"dichtenschau", "--snapshot", "o.png", "--window", "2000,500", "v.nii"});
        QVERIFY(windowed.window);
        QCOMPARE((*windowed.window)[0], 2000.0);
        QCOMPARE((*windowed.window)[1], 500.0);
        QCOMPARE(windowed.size, QSize(800, 800));
    }

    void slabAndModeTaken()
    {
        const ProgramRequest request = ProgramArguments::parse(
            {"dichtenschau", "--snapshot", "o.png", "--slab", "15,minip", "--mode", "average", "v.nii"});
        QCOMPARE(request.slab.thickness, 15.0);
        QVERIFY(request.slab.mode == SlabMode::MinIp);
        QVERIFY(request.projection == ProjectionMode::Average);
        const ProgramRequest plain = ProgramArguments::parse({"dichtenschau", "--snapshot", "o.png", "v.nii"});
        QCOMPARE(plain.slab.thickness, 0.0);
        QVERIFY(plain.projection == ProjectionMode::Composite);
    }

    void answers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: dichtenschau [VOLUME]\n" << "";
        QTest::newRow("help after a volume") << QStringList{"scan.nii", "-h"} << 0 << "Usage: dichtenschau [VOLUME]\n" << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "dichtenschau 0.1\n" << "";
        QTest::newRow("unknown option") << QStringList{"--frob", "scan.nii"} << 2 << ""
                                        << "dichtenschau: unknown option --frob\nUsage: dichtenschau [VOLUME]\n";
        QTest::newRow("value missing") << QStringList{"--snapshot"} << 2 << ""
                                       << "dichtenschau: --snapshot needs its value OUT.png\nUsage: ";
        QTest::newRow("bad value") << QStringList{"--snapshot", "out.png", "--size", "800", "scan.nii"} << 1
                                   << "Can't take the size 800: give it as WIDTHxHEIGHT, e.g. 800x800\n" << "";
        QTest::newRow("bad slab") << QStringList{"--snapshot", "out.png", "--slab", "15,max", "scan.nii"} << 1
                                  << "Can't take the slab 15,max: give it as MILLIMETRES,MODE with the mode mip, minip or mean, e.g. 15,mip\n"
                                  << "";
    }
    // Every one of these is answered before the application object exists, which would need
    // a display.
    void answers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        program.setProcessEnvironment(environment);
        program.start(DICHTENSCHAU_PROGRAM, arguments);
        QVERIFY2(program.waitForFinished(60000), "the program did not end: it opened a window");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        compareStart(QString::fromLocal8Bit(program.readAllStandardOutput()), output);
        compareStart(QString::fromLocal8Bit(program.readAllStandardError()), error);
    }
};

QTEST_GUILESS_MAIN(TestProgramArguments)
#include "tst_programarguments.moc"
