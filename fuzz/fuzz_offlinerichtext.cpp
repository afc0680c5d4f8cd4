// Feeds arbitrary bytes, as welcome text from the content server, to the rule that takes
// outside resources out of rich text. The result, read again as the label reads it, may ask
// for nothing outside the program: neither while it is read (backgrounds, style sheets) nor in
// the pictures and backgrounds its layout would load.
#include "offlinerichtext.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <QTextFormat>
#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// A name Qt cannot read as an address reaches loadResource as an empty one, which opens nothing.
void requireInside(const QString &name)
{
    const QString scheme = QUrl(name).scheme().toLower();
    if (name.isEmpty() || name.startsWith(QLatin1String(":/")) || scheme == QLatin1String("qrc") ||
        scheme == QLatin1String("data"))
        return;
    std::fprintf(stderr, "outside resource: %s\n", qPrintable(name));
    std::abort();
}

class WatchingDocument final : public QTextDocument
{
protected:
    QVariant loadResource(int, const QUrl &name) override
    {
        requireInside(name.toString());
        return QVariant();
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString shown = withoutOutsideResources(text);
    if (!Qt::mightBeRichText(shown))
        return 0;
    WatchingDocument document;
    document.setHtml(shown);
    for (const QTextFormat &format : document.allFormats()) {
        requireInside(format.stringProperty(QTextFormat::ImageName));
        requireInside(format.stringProperty(QTextFormat::BackgroundImageUrl));
    }
    return 0;
}
