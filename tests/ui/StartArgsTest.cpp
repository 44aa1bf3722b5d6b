// The SSH side of the command line: which option means SSH and where the
// user name ends. Modes, addresses and ports of every option are checked
// by commandLine in tests/e2e/SessionTest.cpp.
#include "app/StartArgs.h"
#include "text/Cp949.h"

#include <QTest>

class StartArgsTest : public QObject {
    Q_OBJECT

private slots:
    void sshAndUser_data()
    {
        QTest::addColumn<QStringList>("Args");
        QTest::addColumn<bool>("Ssh");
        QTest::addColumn<QString>("User");
        QTest::addColumn<QString>("Host");
        QTest::newRow("user") << QStringList{"-S", "kim@h", "22"} << true << "kim"
                              << "h";
        QTest::newRow("lower case, no user") << QStringList{"-s", "h"} << true << ""
                                             << "h";
        QTest::newRow("mail address as login")
            << QStringList{"-S", "kim@corp.kr@h"} << true << "kim@corp.kr"
            << "h";
        QTest::newRow("Korean") << QStringList{"-S", "김철수@서버.kr"} << true << "김철수"
                                << "서버.kr";
        QTest::newRow("-D keeps the @") << QStringList{"-D", "kim@h"} << false << ""
                                        << "kim@h";
    }
    void sshAndUser()
    {
        QFETCH(QStringList, Args);
        QFETCH(bool, Ssh);
        QFETCH(QString, User);
        QFETCH(QString, Host);
        const TStartArgs S = ParseStartArgs(Args);
        QCOMPARE(S.Ssh, Ssh);
        QCOMPARE(QString::fromStdString(Cp949::ToUtf8(S.User)), User);
        QCOMPARE(QString::fromStdString(Cp949::ToUtf8(S.Arg1)), Host);
    }
};

QTEST_GUILESS_MAIN(StartArgsTest)
#include "StartArgsTest.moc"
