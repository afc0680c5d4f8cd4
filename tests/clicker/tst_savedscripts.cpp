#include "logcapture.h"
#include "scriptlibrary.h"
#include "widget.h"

#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

// Writes saved_files/<name>, modified `age` seconds before a fixed moment.
void put(const QString &name, const QByteArray &bytes, int age = 0)
{
    QFile file(ScriptLibrary::pathOf(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(1'700'000'000 - age),
                             QFileDevice::FileModificationTime));
}

} // namespace

class TestSavedScripts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void reads_data();
    void reads();
    void readsTheSystemCodePage();
    void keepsToItsFolder();
    void windowActsOnTheFolder();

private:
    std::unique_ptr<QTemporaryDir> workingDirectory;
};

void TestSavedScripts::init()
{
    workingDirectory = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(workingDirectory->path()));
    ScriptLibrary().ensureFolder();
}

void TestSavedScripts::reads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-16 with BOM and CRLF")
        << QByteArray("\xFF\xFE\xB9\x70\x0D\x00\x0A\x00\xFB\x51", 10) << "点\n击";
    QTest::newRow("a line no script has") << QByteArray(10'001, '1') << "<unread>";
    QTest::newRow("over 16 MiB") << QByteArray((16 << 20) + 1, '\n') << "<unread>";
}

void TestSavedScripts::reads()
{
    QFETCH(QByteArray, bytes);
    put(QStringLiteral("s.txt"), bytes);
    QTEST(ScriptLibrary().read(QStringLiteral("s.txt")).value_or("<unread>"), "text");
}

void TestSavedScripts::readsTheSystemCodePage()
{
    const QByteArray gbk("\xB5\xE3\xBB\xF7\xA3\xAC\x31"); // 点击，1 as GBK, not UTF-8
    if (QStringDecoder(QStringConverter::System)(gbk) != QStringLiteral("点击，1"))
        QSKIP("the system code page is not GBK here; the Windows run reads it in code page 936");
    put(QStringLiteral("gbk.txt"), gbk);
    QCOMPARE(ScriptLibrary().read(QStringLiteral("gbk.txt")), QStringLiteral("点击，1"));
}

// Lists its own files only, never replaces one when saving, and refuses names that reach out.
void TestSavedScripts::keepsToItsFolder()
{
    const ScriptLibrary library;
    put(QStringLiteral("1205011530.txt"), "first", 60);
    put(QStringLiteral("tie-b"), "b");
    put(QStringLiteral("tie-a.log"), "a");
    put(QStringLiteral(".hidden"), "h");
    put(QStringLiteral("../outside.txt"), "o");
    QVERIFY(QDir().mkdir(ScriptLibrary::pathOf(QStringLiteral("1205011530_2.txt"))));
    QStringList names;
    for (const QFileInfo &entry : library.list())
        names.append(entry.fileName());
    QCOMPARE(names, QStringList({"tie-a.log", "tie-b", "1205011530.txt"}));
    // A dangling link still holds its name (on Windows this is a shortcut file).
    QVERIFY(QFile::link(QStringLiteral("nowhere"), ScriptLibrary::pathOf("1205011530_3.txt")));

    const QDateTime at(QDate(2026, 12, 5), QTime(1, 15, 30));
    QCOMPARE(library.save(QStringLiteral("a\nb"), at), "saved_files/1205011530_4.txt");
    QCOMPARE(library.read(QStringLiteral("1205011530.txt")), QStringLiteral("first"));
    QCOMPARE(library.read(QStringLiteral("1205011530_4.txt")), QStringLiteral("a\nb"));
    put(QStringLiteral("x"), "x");
    // Each would reach a file without the refusal: outside the folder, or "x" cut at the NUL.
    for (const QString &name :
         {QStringLiteral("../outside.txt"), QStringLiteral("x").append(QChar(u'\0')).append("y")}) {
        QCOMPARE(library.read(name), std::nullopt);
        QVERIFY(!library.remove(name));
    }
    // A backslash separates folders on Windows only; elsewhere it belongs to a legal name.
    const QString backslashed = QStringLiteral("..\\outside.txt");
    const bool separates = QDir::separator() == u'\\';
    if (!separates)
        put(backslashed, "inside");
    QCOMPARE(library.read(backslashed), separates ? std::nullopt : std::optional("inside"));
    QCOMPARE(library.remove(backslashed), !separates);
    QVERIFY(QFile::exists(QStringLiteral("outside.txt")) &&
            QFile::exists(ScriptLibrary::pathOf("x")));

    QVERIFY(QDir(QStringLiteral("saved_files")).removeRecursively());
    QCOMPARE(library.save(QStringLiteral("x"), at), std::nullopt);
    QVERIFY(!QFile::exists(QStringLiteral("saved_files")));
}

// The window's slots on a folder of three scripts, one dated in the future: load at start,
// save (also a failing one), load by click, delete, entries whose file another program
// removed, and the last file deleted.
void TestSavedScripts::windowActsOnTheFolder()
{
    put(QStringLiteral("a.txt"), "a", 60);
    put(QStringLiteral("b.txt"), "b");
    put(QStringLiteral("c.txt"), "c", -400'000'000); // 2036: a clock that was wrong
    Widget window;
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *list = window.findChild<QListView *>(QStringLiteral("listView"));
    const auto press = [&](const char *name) {
        window.findChild<QPushButton *>(QLatin1String(name))->click();
    };
    const auto entries = [&] {
        QStringList names;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            names.append(list->model()->index(row, 0).data().toString());
        return names;
    };
    const auto clickEntry = [&](int row) {
        const QRect entry = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    };
    QCOMPARE(editor->toPlainText() + ' ' + entries().join(' '), "c c.txt b.txt a.txt");
    const LogCapture log;

    editor->clear();
    press("pushButton_4");
    press("pushButton_5");
    editor->setPlainText(QStringLiteral("1，2\n"));
    const QString before = QDateTime::currentDateTime().toString(QStringLiteral("MMddHHmmss"));
    press("pushButton_4");
    QTest::qWait(20); // beyond the file system's time stamp steps, most likely in the same second
    press("pushButton_4"); // the newer must come first all the same
    const QString saved = entries()[1];
    const QString savedFirst = entries()[2];
    QVERIFY2(saved >= before + ".txt" && log.lines.last().endsWith(saved + '"'), qPrintable(saved));
    QCOMPARE(editor->toPlainText(), QStringLiteral("1，2\n")); // what was saved, not the newest
#ifdef Q_OS_LINUX
    // In an append-only folder (chattr +a, binding root too) the name is reserved and the text
    // written, but the rename fails: the save fails, the editor keeps the text; the test tidies.
    const QString typed(5000, u'1');
    editor->setPlainText(typed);
    const int folder = open("saved_files", O_RDONLY | O_DIRECTORY);
    int flags = 0;
    QVERIFY(folder >= 0 && ioctl(folder, FS_IOC_GETFLAGS, &flags) == 0);
    const int appendOnly = flags | FS_APPEND_FL;
    QVERIFY(ioctl(folder, FS_IOC_SETFLAGS, &appendOnly) == 0);
    press("pushButton_4");
    QVERIFY(ioctl(folder, FS_IOC_SETFLAGS, &flags) == 0 && close(folder) == 0);
    QCOMPARE(editor->toPlainText(), typed);
    // What the failed save left, its reserved name and its temporary file, whatever their times.
    for (const QFileInfo &entry : ScriptLibrary().list())
        if (!QStringList{"a.txt", "b.txt", "c.txt", saved, savedFirst}.contains(entry.fileName()))
            QVERIFY(QFile::remove(entry.filePath()));
#endif
    clickEntry(4);
    QCOMPARE(editor->toPlainText(), QStringLiteral("a"));
    press("pushButton_5");
    QCOMPARE(editor->toPlainText() + entries().join(' '),
             "cc.txt " + saved + ' ' + savedFirst + " b.txt");
    QVERIFY(QFile::remove(ScriptLibrary::pathOf(QStringLiteral("b.txt"))));
    clickEntry(3);
    press("pushButton_5");
    // The last file goes, and with it no text the user typed.
    for (const QString &name : {QStringLiteral("c.txt"), saved})
        QVERIFY(QFile::remove(ScriptLibrary::pathOf(name)));
    editor->setPlainText(QStringLiteral("typed"));
    list->setCurrentIndex(list->model()->index(2, 0));
    press("pushButton_5");
    QCOMPARE(editor->toPlainText() + entries().join(' '), QStringLiteral("typed"));
    QStringList expected{"文件内容为空，不进行保存操作", "未选中任何文件",
                         "代码保存成功:  \"saved_files/" + savedFirst + '"',
                         "代码保存成功:  \"saved_files/" + saved + '"'};
#ifdef Q_OS_LINUX
    expected += QStringLiteral("无法保存代码");
#endif
    expected += {"文件删除成功:  \"saved_files/a.txt\"", "无法打开文件:  \"saved_files/b.txt\"",
                 "无法删除文件:  \"saved_files/b.txt\"",
                 "文件删除成功:  \"saved_files/" + savedFirst + '"'};
    QCOMPARE(log.lines, expected);
}

QTEST_MAIN(TestSavedScripts)
#include "tst_savedscripts.moc"
