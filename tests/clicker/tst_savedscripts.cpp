#include "widget.h"

#include "logcapture.h"
#include "scriptfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

struct ScriptFile
{
    QString name; ///< relative to saved_files; may name a file in a subfolder
    QByteArray bytes;
    int age; ///< seconds before a fixed time an hour ago
};
using ScriptFiles = QList<ScriptFile>;

enum class EntryFault { FileRemoved, FileIsFolder, EntryRenamed };
enum class SaveFault { FolderRemoved, FolderIsFile, WriteFails };

const QString folder = QStringLiteral("saved_files/");

QDateTime aged(int seconds)
{
    static const QDateTime anHourAgo = QDateTime::currentDateTime().addSecs(-3600);
    return anHourAgo.addSecs(-seconds);
}

bool writeFile(const QString &path, const QByteArray &bytes, int age = 0)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    // Stamped through a fresh handle: a pending flush on the writing one would overwrite it.
    file.close();
    return file.open(QIODevice::ReadOnly) &&
           file.setFileTime(aged(age), QFileDevice::FileModificationTime);
}

bool writeScripts(const ScriptFiles &files)
{
    return std::all_of(files.begin(), files.end(), [](const ScriptFile &file) {
        return writeFile(folder + file.name, file.bytes, file.age);
    });
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

/// Every entry under the working directory with its content, to prove what an operation
/// left alone.
QMap<QString, QByteArray> snapshot()
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(QStringLiteral("."),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries.insert(path, it.fileInfo().isDir() ? QByteArray("<folder>") : readBytes(path));
    }
    return entries;
}

/// The main window, shown so that clicks and keys land where a user's would.
class Window
{
public:
    Window()
    {
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
    }

    QStringList entries() const
    {
        QStringList names;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            names.append(list->model()->index(row, 0).data().toString());
        return names;
    }
    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex &index : list->selectionModel()->selectedIndexes())
            rows.append(index.row());
        return rows;
    }
    void click(int row)
    {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void select(int row)
    {
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect);
    }
    QString text() const { return editor->toPlainText(); }

    Widget widget;
    QPlainTextEdit *editor = widget.findChild<QPlainTextEdit *>("plainTextEdit");
    QListView *list = widget.findChild<QListView *>("listView");
    QPushButton *saveButton = widget.findChild<QPushButton *>("pushButton_4");
    QPushButton *deleteButton = widget.findChild<QPushButton *>("pushButton_5");
};

#ifdef Q_OS_UNIX
/// Makes every write past the given size fail (EFBIG) while it lives, the way a full disk
/// would, even for root.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};
#endif

/// The names a save started between from and to may take, before any suffix.
QStringList stampsBetween(const QDateTime &from, const QDateTime &to)
{
    QStringList stamps;
    for (QDateTime t = from; t.toSecsSinceEpoch() <= to.toSecsSinceEpoch(); t = t.addSecs(1))
        stamps.append(t.toString(QStringLiteral("MMddHHmmss")));
    return stamps;
}

QString savedLine(const QString &path)
{
    return QStringLiteral("代码保存成功:  \"%1\"").arg(path);
}

} // namespace

Q_DECLARE_METATYPE(ScriptFiles)
Q_DECLARE_METATYPE(EntryFault)
Q_DECLARE_METATYPE(SaveFault)

class TestSavedScripts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startupListsAndLoadsNewest_data();
    void startupListsAndLoadsNewest();
    void listingOrderMatchesTimeSort();
    void decodesFiles_data();
    void decodesFiles();
    void unusualNamesLoadAndDelete_data();
    void unusualNamesLoadAndDelete();
    void oddContentLoadsAndStays_data();
    void oddContentLoadsAndStays();
    void entryFaults_data();
    void entryFaults();

    void saveWritesNewestFile_data();
    void saveWritesNewestFile();
    void saveEmptyEditor();
    void saveNeverOverwrites_data();
    void saveNeverOverwrites();
    void saveFailures_data();
    void saveFailures();

    void deleteKeyboardSelection_data();
    void deleteKeyboardSelection();
    void deleteLastFileKeepsEditor();
    void deleteNothingSelected();

private:
    std::unique_ptr<QTemporaryDir> workDir;
    QString startDir;
};

void TestSavedScripts::init()
{
    // Standard error is for the program's own debug lines; a warning from Qt means a bad
    // path reached it.
    QTest::failOnWarning(QRegularExpression(".*"));
    startDir = QDir::currentPath();
    workDir = std::make_unique<QTemporaryDir>();
    QVERIFY(workDir->isValid());
    QVERIFY(QDir::setCurrent(workDir->path()));
    QVERIFY(QDir().mkdir(QStringLiteral("saved_files")));
}

void TestSavedScripts::cleanup()
{
    QDir::setCurrent(startDir);
    workDir.reset();
}

void TestSavedScripts::startupListsAndLoadsNewest_data()
{
    QTest::addColumn<ScriptFiles>("files");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty folder") << ScriptFiles{} << QStringList{} << QString();
    QTest::newRow("newest by time, whatever the name")
        << ScriptFiles{{"a.txt", "a", 20}, {"b.txt", "b", 5}, {"c.txt", "c", 10}}
        << QStringList{"b.txt", "c.txt", "a.txt"} << "b";
    QTest::newRow("equal times: the first listed wins")
        << ScriptFiles{{"x.txt", "x", 5}, {"w.txt", "w", 5}, {"old.txt", "old", 50}}
        << QStringList{"w.txt", "x.txt", "old.txt"} << "w";
    QTest::newRow("any extension, or none")
        << ScriptFiles{{"notes.md", "md", 1}, {"a.txt", "a", 5}, {"plain", "none", 3}}
        << QStringList{"notes.md", "plain", "a.txt"} << "md";
    QTest::newRow("hidden files and subfolders left out")
        << ScriptFiles{{".hidden.txt", "hidden", 0},
                       {"sub/inner.txt", "inner", 0},
                       {"a.txt", "a", 5}}
        << QStringList{"a.txt"} << "a";
}

void TestSavedScripts::startupListsAndLoadsNewest()
{
    QFETCH(ScriptFiles, files);
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QVERIFY(writeScripts(files));

    LogCapture log;
    Window window;
    QCOMPARE(window.entries(), entries);
    QCOMPARE(window.text(), text);
    QCOMPARE(window.selectedRows(), QList<int>{});
    for (int row = 0; row < entries.size(); ++row)
        QVERIFY(!(window.list->model()->flags(window.list->model()->index(row, 0)) &
                  Qt::ItemIsEditable));
    QCOMPARE(log.lines(), QStringList{});
}

void TestSavedScripts::listingOrderMatchesTimeSort()
{
    const QStringList names = {"b.txt", "B.txt", "a.txt", "10.txt", "9.txt", "中.txt",
                               "z",     "_x",    "A b",   "0",      "~"};
    for (int i = 0; i < names.size(); ++i)
        QVERIFY(writeFile(folder + names[i], "", i % 3 * 7)); // three groups of equal times

    QStringList listed;
    for (const QFileInfo &entry : listSavedScripts())
        listed.append(entry.fileName());
    QCOMPARE(listed, QDir(folder).entryList(QDir::Files, QDir::Time));
}

void TestSavedScripts::decodesFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    const QString script = QStringLiteral("100，200，1，2\n#300，400\n*3");
    QTest::newRow("utf-8") << script.toUtf8() << script;
    QTest::newRow("utf-8 with byte-order mark") << "\xEF\xBB\xBF" + script.toUtf8() << script;
    QByteArray utf16(reinterpret_cast<const char *>(script.utf16()), script.size() * 2);
    QTest::newRow("utf-16 with byte-order mark") << "\xFF\xFE" + utf16 << script;
}

void TestSavedScripts::decodesFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QVERIFY(writeFile(folder + "script.txt", bytes));

    LogCapture log;
    Window window;
    QCOMPARE(window.text(), text);
    window.editor->setPlainText("unsaved");
    window.click(0);
    QCOMPARE(window.text(), text);
    QCOMPARE(window.selectedRows(), QList<int>{0}); // a rebuild of the list would have dropped it
    QCOMPARE(log.lines(), QStringList{});
}

void TestSavedScripts::unusualNamesLoadAndDelete_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("spaces") << " name with  spaces .txt";
    QTest::newRow("chinese") << "点击脚本.txt";
    QTest::newRow("like an option") << "-rf";
    QTest::newRow("drive-like") << "C:x.txt";
}

void TestSavedScripts::unusualNamesLoadAndDelete()
{
    QFETCH(QString, name);
    QVERIFY(writeScripts({{name, "mine", 5}, {"other.txt", "other", 9}}));
    Window window;
    QCOMPARE(window.entries(), (QStringList{name, "other.txt"}));

    LogCapture log;
    window.click(1);
    window.click(0);
    QCOMPARE(window.text(), QStringLiteral("mine"));
    window.deleteButton->click();
    QCOMPARE(log.lines(),
             QStringList{QStringLiteral("文件删除成功:  \"saved_files/%1\"").arg(name)});
    QVERIFY(!QFile::exists(folder + name));
    QCOMPARE(window.entries(), QStringList{"other.txt"});
    QCOMPARE(window.text(), QStringLiteral("other"));
}

void TestSavedScripts::oddContentLoadsAndStays_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("savedUnchanged");

    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char(i * 7 % 256));
    QTest::newRow("binary with nul and invalid utf-8") << binary << false;
    const QByteArray line = QByteArray("100，200，1，2 ").repeated(60) + '\n';
    QTest::newRow("50 MB of script lines") << line.repeated(50 * 1024 * 1024 / line.size()) << true;
}

void TestSavedScripts::oddContentLoadsAndStays()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, savedUnchanged);
    QVERIFY(writeScripts({{"odd.txt", bytes, 5}, {"plain.txt", "plain", 1}}));

    LogCapture log;
    Window window;
    window.click(1);
    QVERIFY(window.text().size() >= bytes.size() / 3);
    window.saveButton->click();
    QCOMPARE(log.lines().size(), 1);
    const QString saved = window.entries().value(0);
    QCOMPARE(log.lines().constFirst(), savedLine(folder + saved));
    QCOMPARE(readBytes(folder + "odd.txt"), bytes);
    if (savedUnchanged)
        QVERIFY(readBytes(folder + saved) == bytes);
    QCOMPARE(window.entries().size(), 3);
}

void TestSavedScripts::entryFaults_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<EntryFault>("fault");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("loggedPath");

    const struct
    {
        const char *tag;
        EntryFault fault;
        QString entry;
        QString loggedPath;
    } cases[] = {
        {"file removed behind its back", EntryFault::FileRemoved, "a.txt", "saved_files/a.txt"},
        {"name now held by a non-empty folder", EntryFault::FileIsFolder, "a.txt",
         "saved_files/a.txt"},
        {"entry renamed into the parent folder", EntryFault::EntryRenamed, "../outside.txt",
         "saved_files/../outside.txt"},
        {"entry renamed into a subfolder", EntryFault::EntryRenamed, "sub/inner.txt",
         "saved_files/sub/inner.txt"},
        {"entry renamed with a backslash", EntryFault::EntryRenamed, "back\\slash.txt",
         "saved_files/back\\\\slash.txt"},
        {"entry renamed to its parent", EntryFault::EntryRenamed, "..", "saved_files/.."},
        {"entry renamed to nothing", EntryFault::EntryRenamed, "", "saved_files/"},
        {"entry renamed with a nul", EntryFault::EntryRenamed, QString("a.txt") + QChar(0),
         "saved_files/a.txt\\u0000"},
    };
    for (const bool deleting : {false, true}) {
        for (const auto &c : cases) {
            QTest::addRow("%s: %s", deleting ? "delete" : "load", c.tag)
                << deleting << c.fault << c.entry << c.loggedPath;
        }
    }
}

void TestSavedScripts::entryFaults()
{
    QFETCH(bool, deleting);
    QFETCH(EntryFault, fault);
    QFETCH(QString, entry);
    QFETCH(QString, loggedPath);
    QVERIFY(writeScripts(
        {{"a.txt", "a", 1}, {"sub/inner.txt", "inner", 1}, {"back\\slash.txt", "backslash", 9}}));
    QVERIFY(writeFile("outside.txt", "outside"));
    Window window;
    QCOMPARE(window.entries(), (QStringList{"a.txt", "back\\slash.txt"}));
    window.editor->setPlainText("unsaved");

    if (fault == EntryFault::FileRemoved) {
        QVERIFY(QFile::remove(folder + "a.txt"));
    } else if (fault == EntryFault::FileIsFolder) {
        QVERIFY(QFile::remove(folder + "a.txt"));
        QVERIFY(writeFile(folder + "a.txt/keep.txt", "keep"));
    } else {
        QVERIFY(window.list->model()->setData(window.list->model()->index(0, 0), entry));
    }
    const auto filesBefore = snapshot();
    const QStringList entriesBefore = window.entries();

    LogCapture log;
    if (deleting) {
        window.select(0);
        window.deleteButton->click();
    } else {
        window.click(0);
    }
    const char *failure = deleting ? "无法删除文件: " : "无法打开文件: ";
    QCOMPARE(log.lines(), QStringList{QStringLiteral("%1 \"%2\"").arg(failure, loggedPath)});
    QCOMPARE(window.text(), QStringLiteral("unsaved"));
    QCOMPARE(window.entries(), entriesBefore);
    QCOMPARE(snapshot(), filesBefore);
}

void TestSavedScripts::saveWritesNewestFile_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("script") << QStringLiteral("100，200，1，2\n#300，400\n*2");
    QTest::newRow("only blanks and line breaks") << QStringLiteral(" \n\n\t \n");
    QTest::newRow("chinese with a final line break") << QStringLiteral("点击\n第二行\n");
}

void TestSavedScripts::saveWritesNewestFile()
{
    QFETCH(QString, text);
    QVERIFY(writeScripts({{"older.txt", "older", 5}}));
    Window window;
    window.editor->clear();
    window.editor->insertPlainText(text);
    window.select(0);
    QVERIFY(window.editor->document()->isUndoAvailable());

    LogCapture log;
    const QDateTime started = QDateTime::currentDateTime();
    window.saveButton->click();
    const QStringList stamps = stampsBetween(started, QDateTime::currentDateTime());

    QCOMPARE(window.entries().size(), 2);
    const QString name = window.entries().constFirst();
    QVERIFY2(stamps.contains(name.chopped(4)) && name.endsWith(".txt"), qPrintable(name));
    QCOMPARE(log.lines(), QStringList{savedLine(folder + name)});
    QByteArray expected = text.toUtf8();
#ifdef Q_OS_WIN
    expected.replace("\n", "\r\n");
#endif
    QCOMPARE(readBytes(folder + name), expected);
    QCOMPARE(window.text(), text);
    QVERIFY(!window.editor->document()->isUndoAvailable());
    QCOMPARE(window.selectedRows(), QList<int>{});
}

void TestSavedScripts::saveEmptyEditor()
{
    QVERIFY(writeScripts({{"a.txt", "", 5}}));
    Window window;
    const auto filesBefore = snapshot();

    LogCapture log;
    window.saveButton->click();
    QCOMPARE(log.lines(), QStringList{"文件内容为空，不进行保存操作"});
    QCOMPARE(snapshot(), filesBefore);
    QCOMPARE(window.entries(), QStringList{"a.txt"});
}

void TestSavedScripts::saveNeverOverwrites_data()
{
    QTest::addColumn<QStringList>("takenSuffixes");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QString>("expectedSuffix");

    QTest::newRow("name free") << QStringList{"_2"} << "file"
                               << "";
    QTest::newRow("name taken") << QStringList{""} << "file"
                                << "_2";
    QTest::newRow("name and _2 taken") << QStringList{"", "_2"} << "file"
                                       << "_3";
    QTest::newRow("name held by a folder") << QStringList{""} << "folder"
                                           << "_2";
    QTest::newRow("name held by a dangling link") << QStringList{""} << "link"
                                                  << "_2";
}

void TestSavedScripts::saveNeverOverwrites()
{
    QFETCH(QStringList, takenSuffixes);
    QFETCH(QString, holder);
    QFETCH(QString, expectedSuffix);
    Window window;
    // Whatever second the save falls in, its names are already taken.
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString &stamp : stampsBetween(now, now.addSecs(5))) {
        for (const QString &suffix : takenSuffixes) {
            const QString path = folder + stamp + suffix + ".txt";
            if (holder == "folder")
                QVERIFY(QDir().mkdir(path));
            else if (holder == "link")
                QVERIFY(QFile::link("nowhere", path));
            else
                QVERIFY(writeFile(path, "earlier " + path.toUtf8(), 60));
        }
    }
    const auto filesBefore = snapshot();
    window.editor->setPlainText("later");

    LogCapture log;
    window.saveButton->click();
    const QString name = window.entries().value(0);
    QVERIFY2(name.endsWith(expectedSuffix + ".txt") &&
                 stampsBetween(now, now.addSecs(5)).contains(name.left(10)) &&
                 name.size() == 10 + expectedSuffix.size() + 4,
             qPrintable(name));
    QCOMPARE(log.lines(), QStringList{savedLine(folder + name)});
    QCOMPARE(readBytes(folder + name), QByteArray("later"));
    auto filesAfter = snapshot();
    filesAfter.remove("./" + folder + name);
    QCOMPARE(filesAfter, filesBefore);
}

void TestSavedScripts::saveFailures_data()
{
    QTest::addColumn<SaveFault>("fault");

    QTest::newRow("folder removed") << SaveFault::FolderRemoved;
    QTest::newRow("folder replaced by a file") << SaveFault::FolderIsFile;
    QTest::newRow("write fails part-way") << SaveFault::WriteFails;
}

void TestSavedScripts::saveFailures()
{
    QFETCH(SaveFault, fault);
    QVERIFY(writeScripts({{"a.txt", "a", 5}}));
    Window window;
    const QString text = QStringLiteral("1，2，0，1\n").repeated(20000);
    window.editor->setPlainText(text);
    if (fault != SaveFault::WriteFails) {
        QVERIFY(QDir(folder).removeRecursively());
        if (fault == SaveFault::FolderIsFile)
            QVERIFY(writeFile("saved_files", "not a folder"));
    }
    const auto filesBefore = snapshot();

    LogCapture log;
    if (fault == SaveFault::WriteFails) {
#ifdef Q_OS_UNIX
        FileSizeLimit limit(4096);
        window.saveButton->click();
#else
        QSKIP("needs a per-process file size limit");
#endif
    } else {
        window.saveButton->click();
    }
    QCOMPARE(log.lines(), QStringList{"无法保存代码"});
    QCOMPARE(snapshot(), filesBefore);
    QCOMPARE(window.entries(), QStringList{"a.txt"});
    QCOMPARE(window.text(), text);
}

void TestSavedScripts::deleteKeyboardSelection_data()
{
    QTest::addColumn<QList<Qt::Key>>("keys");
    QTest::addColumn<QString>("deleted");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<QString>("text");

    QTest::newRow("newest") << QList<Qt::Key>{Qt::Key_End, Qt::Key_Home} << "new.txt"
                            << QStringList{"mid.txt", "old.txt"} << "mid";
    QTest::newRow("older than the one shown")
        << QList<Qt::Key>{Qt::Key_Home, Qt::Key_Down} << "mid.txt"
        << QStringList{"new.txt", "old.txt"} << "new";
    QTest::newRow("oldest") << QList<Qt::Key>{Qt::Key_End} << "old.txt"
                            << QStringList{"new.txt", "mid.txt"} << "new";
}

void TestSavedScripts::deleteKeyboardSelection()
{
    QFETCH(QList<Qt::Key>, keys);
    QFETCH(QString, deleted);
    QFETCH(QStringList, remaining);
    QFETCH(QString, text);
    QVERIFY(writeScripts({{"new.txt", "new", 1}, {"mid.txt", "mid", 5}, {"old.txt", "old", 9}}));
    Window window;
    window.editor->setPlainText("unsaved");
    window.list->setFocus();
    for (const Qt::Key key : keys)
        QTest::keyClick(window.list, key);
    QCOMPARE(window.selectedRows(), QList<int>{int(window.entries().indexOf(deleted))});
    QCOMPARE(window.text(), QStringLiteral("unsaved")); // selecting does not load

    LogCapture log;
    window.deleteButton->click();
    QCOMPARE(log.lines(),
             QStringList{QStringLiteral("文件删除成功:  \"saved_files/%1\"").arg(deleted)});
    QVERIFY(!QFile::exists(folder + deleted));
    QCOMPARE(window.entries(), remaining);
    QCOMPARE(window.text(), text);
    QCOMPARE(window.selectedRows(), QList<int>{});
}

void TestSavedScripts::deleteLastFileKeepsEditor()
{
    QVERIFY(writeScripts({{"only.txt", "only", 1}}));
    Window window;
    window.editor->setPlainText("edited");
    window.select(0);

    LogCapture log;
    window.deleteButton->click();
    QCOMPARE(log.lines(), QStringList{"文件删除成功:  \"saved_files/only.txt\""});
    QCOMPARE(window.entries(), QStringList{});
    QCOMPARE(window.text(), QStringLiteral("edited"));
}

void TestSavedScripts::deleteNothingSelected()
{
    QVERIFY(writeScripts({{"a.txt", "a", 1}}));
    Window window;
    // Focus makes the first entry current, which is not the same as selected.
    window.list->setFocus();
    const auto filesBefore = snapshot();

    LogCapture log;
    window.deleteButton->click();
    QCOMPARE(log.lines(), QStringList{"未选中任何文件"});
    QCOMPARE(snapshot(), filesBefore);
    QCOMPARE(window.entries(), QStringList{"a.txt"});
}

QTEST_MAIN(TestSavedScripts)
#include "tst_savedscripts.moc"
