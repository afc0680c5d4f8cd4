// What the script editor costs while typing in a long script: each keystroke with everything
// it sets off (the hints on the lines in view, the repaint), and the 执行 button's summary of
// that script and of the largest one the program loads. Prints figures only.
// Usage: bench_scripteditor [script lines, default 10000] [keystrokes, default 400]
#include "widget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Every kind of line, a third of them marked in the editor.
QString scriptOf(int lines)
{
    const QStringList pattern{"100，200",  "300，400，1", "#500，600，0", "700，800，0，3",
                              "100,200,1", "a，b，1",     "1，2，0.5",    "note",
                              "*3 ",       "*5"};
    QString script;
    for (int line = 0; line < lines; ++line)
        script += pattern[line % pattern.size()] + u'\n';
    return script;
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// One keystroke and all that follows it until the editor has repainted.
double keystrokeMs(QPlainTextEdit *editor, QChar key)
{
    // A key event of its own: Qt Test types Latin-1 characters only, not "，".
    const bool enter = key == u'\n';
    const Qt::Key code = enter ? Qt::Key_Return : Qt::Key_unknown;
    const QString text = enter ? QStringLiteral("\r") : QString(key);
    QElapsedTimer timer;
    timer.start();
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(editor, &event);
    }
    QCoreApplication::processEvents();
    editor->viewport()->repaint();
    return elapsedMs(timer);
}

double summaryMs(QPushButton *button)
{
    QElapsedTimer timer;
    timer.start();
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(button, &hover);
    return elapsedMs(timer);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int keystrokes = argc > 2 ? std::atoi(argv[2]) : 400;
    QTemporaryDir workDir;
    if (lines < 1 || keystrokes < 1 || !workDir.isValid() || !QDir::setCurrent(workDir.path())) {
        std::fprintf(stderr, "usage: bench_scripteditor [script lines] [keystrokes]\n");
        return 2;
    }

    Widget window;
    window.show();
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    auto *runButton = window.findChild<QPushButton *>(QStringLiteral("pushButton"));
    editor->setPlainText(scriptOf(lines));
    QTextCursor middle(editor->document()->findBlockByNumber(lines / 2));
    editor->setTextCursor(middle);
    editor->setFocus();
    QCoreApplication::processEvents();

    // Lines typed in the middle of the script: a step, then ASCII commas, then a marker.
    const QString typed = QStringLiteral("120，340，1\n120,340\n*2\n");
    std::vector<double> millis;
    for (int key = 0; key < keystrokes; ++key)
        millis.push_back(keystrokeMs(editor, typed[key % typed.size()]));
    std::sort(millis.begin(), millis.end());
    std::printf("typing in the middle of a script of %d lines, %d keystrokes:\n", lines,
                keystrokes);
    std::printf("  per keystroke: median %.3f ms, 90th percentile %.3f ms, worst %.3f ms\n",
                millis[millis.size() / 2], millis[millis.size() * 9 / 10], millis.back());
    std::printf("  执行 tooltip: %.3f ms\n", summaryMs(runButton));

    // The largest script the program loads: 16 MiB of such lines.
    const QString block = scriptOf(1000);
    editor->setPlainText(block.repeated((16 << 20) / block.toUtf8().size()));
    std::printf("  执行 tooltip of a %d-line script of 16 MiB: %.1f ms\n",
                editor->document()->blockCount(), summaryMs(runButton));
    return 0;
}
