#include "observedmainwindow.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;

void ObservedMainWindow::setUp()
{
    workingDir = std::make_unique<QTemporaryDir>();
    QVERIFY(workingDir->isValid());
    previousWorkingDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workingDir->path()));

    widget = std::make_unique<Widget>();
    widget->move(0, 0);
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    QVERIFY(!widget->frameGeometry().intersects(observedArea));

    clickObserver = std::make_unique<XClickObserver>(observedArea.x(), observedArea.y(),
                                                     observedArea.width(), observedArea.height());
    QVERIFY2(clickObserver->isConnected(), "this test needs an X server on DISPLAY");
    QVERIFY(clickObserver->waitUntilMapped(5s));
}

void ObservedMainWindow::tearDown()
{
    clickObserver.reset();
    widget.reset();
    if (!previousWorkingDir.isEmpty())
        QDir::setCurrent(previousWorkingDir);
}

void ObservedMainWindow::run(const QString &script)
{
    widget->findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"))->setPlainText(script);
    QTest::mouseClick(widget->findChild<QPushButton *>(QStringLiteral("pushButton")),
                      Qt::LeftButton);
}
