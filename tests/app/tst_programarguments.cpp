#include "ProgramArguments.h"

#include <QProcess>
#include <QTest>

Q_DECLARE_METATYPE(ProgramArguments::Action)

// The forms of the command line: which one the arguments ask for, and what the program
// answers to help, version and mistakes, without a window (help and version even without a
// display).
class TestProgramArguments : public QObject
{
    Q_OBJECT

private slots:
    void forms_data()
    {
        using A = ProgramArguments::Action;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<A>("action");
        QTest::addColumn<QStringList>("volumes");
        QTest::newRow("dash-named volume after --") << QStringList{"--", "-a.dat", "--help"} << A::OpenWindow
                                                    << QStringList{"-a.dat", "--help"};
        QTest::newRow("snapshot") << QStringList{"--snapshot", "o.png", "--size", "9x9", "--turn", "1,2", "v.nii"} << A::TakeSnapshot
                                  << QStringList{"v.nii"};
        QTest::newRow("snapshot named like an option") << QStringList{"--snapshot", "--help", "v.nii"} << A::TakeSnapshot
                                                       << QStringList{"v.nii"};
        QTest::newRow("single dash") << QStringList{"-x"} << A::Refuse << QStringList{};
        QTest::newRow("picture option alone") << QStringList{"--turn", "1,2", "a.dat"} << A::Refuse << QStringList{"a.dat"};
    }
    void forms()
    {
        QFETCH(QStringList, arguments);
        QFETCH(ProgramArguments::Action, action);
        QFETCH(QStringList, volumes);
        const ProgramArguments::Parsed parsed = ProgramArguments::parse(QStringList{"dichtenschau"} + arguments);
        QCOMPARE(parsed.action, action);
        if (action != ProgramArguments::Action::ShowUsage)
            QCOMPARE(parsed.volumes, volumes);
        QCOMPARE(parsed.mistake.isEmpty(), action != ProgramArguments::Action::Refuse);
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
    }
    // Help and version run without a display, where an application object could not start.
    void answers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);
        QProcess program;
        if (status == 0) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.remove("DISPLAY");
            environment.remove("WAYLAND_DISPLAY");
            environment.insert("QT_QPA_PLATFORM", "xcb");
            program.setProcessEnvironment(environment);
        }
        program.start(DICHTENSCHAU_PROGRAM, arguments);
        QVERIFY2(program.waitForFinished(60000), "the program did not end: it opened a window");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QString printed = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString complained = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(output.isEmpty() ? printed.isEmpty() : printed.startsWith(output), qPrintable(printed));
        QVERIFY2(complained.contains(error), qPrintable(complained));
    }
};

QTEST_GUILESS_MAIN(TestProgramArguments)
#include "tst_programarguments.moc"
