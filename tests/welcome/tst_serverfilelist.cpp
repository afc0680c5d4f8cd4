#include "serverfilelist.h"

#include <QTest>

class TestServerFileList : public QObject
{
    Q_OBJECT

private slots:
    void namesFromListing_data();
    void namesFromListing();
    void invalidListing_data();
    void invalidListing();
    void comparison_data();
    void comparison();
};

void TestServerFileList::namesFromListing_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("empty array") << QByteArray("[]") << QStringList();
    QTest::newRow("objects in order with other members ignored")
        << QByteArray(R"([{"name":"b.png","type":"file","size":3},{"name":"a.txt"}])")
        << QStringList{"b.png", "a.txt"};
    QTest::newRow("duplicates kept")
        << QByteArray(R"(["a","a",{"name":"a"}])") << QStringList{"a", "a", "a"};
    QTest::newRow("non-string name gives the empty name")
        << QByteArray(R"([{"name":5},{"name":null},{"name":["x"]},{"name":{}}])")
        << QStringList{"", "", "", ""};
    QTest::newRow("objects without name, scalars and arrays give nothing")
        << QByteArray(R"([{"file":"x.png"},5,true,false,null,["a.png"],"kept"])")
        << QStringList{"kept"};
    QTest::newRow("names kept as they are, whatever their kind")
        << QByteArray(R"(["readme","x.TXT","","欢迎.png","../up.txt","a b?c#d.png"])")
        << QStringList{"readme",    "x.TXT",      "", QStringLiteral("欢迎.png"),
                       "../up.txt", "a b?c#d.png"};
}

void TestServerFileList::namesFromListing()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, names);
    const std::optional<QStringList> listed = serverFileListFromJson(body);
    QVERIFY(listed.has_value());
    QCOMPARE(*listed, names);
}

void TestServerFileList::invalidListing_data()
{
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("empty body") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("<html>404</html>");
    QTest::newRow("truncated array") << QByteArray(R"(["a.png","b)");
    QTest::newRow("top-level object holding an array") << QByteArray(R"({"files":["a.png"]})");
    QTest::newRow("top-level string") << QByteArray(R"("a.png")");
    QTest::newRow("invalid UTF-8 inside a string") << QByteArray("[\"a\xff\xfe.png\"]");
    QTest::newRow("nested 100000 deep") << QByteArray(100000, '[') + QByteArray(100000, ']');
}

void TestServerFileList::invalidListing()
{
    QFETCH(QByteArray, body);
    QVERIFY(!serverFileListFromJson(body).has_value());
}

void TestServerFileList::comparison_data()
{
    QTest::addColumn<QStringList>("saved");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<bool>("lengthChanged");
    // At most one name each; none when the walk found nothing.
    QTest::addColumn<QStringList>("firstNew");
    QTest::addColumn<QStringList>("firstRemoved");

    const QStringList none;
    QTest::newRow("both empty") << QStringList() << QStringList() << false << none << none;
    QTest::newRow("other order") << QStringList{"a.png", "b.txt"} << QStringList{"b.txt", "a.png"}
                                 << false << none << none;
    QTest::newRow("other repetition")
        << QStringList{"a", "a", "b"} << QStringList{"a", "b", "b"} << false << none << none;
    QTest::newRow("longer") << QStringList{"a"} << QStringList{"a", "b"} << true << none << none;
    QTest::newRow("one exchanged") << QStringList{"a.png", "b.txt"} << QStringList{"a.png", "c.txt"}
                                   << false << QStringList{"c.txt"} << QStringList{"b.txt"};
    QTest::newRow("only the first of each walk")
        << QStringList{"a", "b", "c"} << QStringList{"x", "y", "c"} << false << QStringList{"x"}
        << QStringList{"a"};
    QTest::newRow("case differs") << QStringList{"a.png", "b.txt"} << QStringList{"A.png", "b.txt"}
                                  << false << QStringList{"A.png"} << QStringList{"a.png"};
    QTest::newRow("repeated saved name, new current name")
        << QStringList{"a", "a"} << QStringList{"a", "b"} << false << QStringList{"b"} << none;
    QTest::newRow("repeated current name, removed saved name")
        << QStringList{"a", "b"} << QStringList{"a", "a"} << false << none << QStringList{"b"};
    QTest::newRow("empty name is a name")
        << QStringList{"a"} << QStringList{""} << false << QStringList{""} << QStringList{"a"};
}

void TestServerFileList::comparison()
{
    QFETCH(QStringList, saved);
    QFETCH(QStringList, current);
    QFETCH(bool, lengthChanged);
    QFETCH(QStringList, firstNew);
    QFETCH(QStringList, firstRemoved);

    const auto asList = [](const std::optional<QString> &name) {
        return name ? QStringList{*name} : QStringList();
    };
    const ServerFileListChange change = compareServerFileLists(saved, current);
    QCOMPARE(change.lengthChanged, lengthChanged);
    QCOMPARE(asList(change.firstNewName), firstNew);
    QCOMPARE(asList(change.firstRemovedName), firstRemoved);
    QCOMPARE(change.changed(), lengthChanged || !firstNew.isEmpty() || !firstRemoved.isEmpty());
}

QTEST_GUILESS_MAIN(TestServerFileList)
#include "tst_serverfilelist.moc"
