// Feeds arbitrary bytes, as welcome text from the content server, to the rule that takes
// outside resources out of rich text. The result is then read the way the label reads it:
// data: addresses decoded by Qt itself, so that style sheets written into the text take
// effect; the pictures and backgrounds that laying it out and painting it would ask for are
// read off its formats. Any other resource is a finding.
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

// Inside the text, compiled into the program, or no address at all (which opens nothing).
void requireInside(const QString &name)
{
    const QString scheme = QUrl(name).scheme().toLower();
    if (name.isEmpty() || name.startsWith(QLatin1String(":/")) || scheme == QLatin1String("data") ||
        scheme == QLatin1String("qrc"))
        return;
    std::fprintf(stderr, "outside resource: %s\n", qPrintable(name));
    std::abort();
}

class LabelLikeDocument final : public QTextDocument
{
protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        requireInside(name.toString());
        if (name.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0)
            return QTextDocument::loadResource(type, name);
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
    LabelLikeDocument document;
    document.setHtml(shown);
    // Not laid out: that would load fonts, whose caches outlive every run.
    for (const QTextFormat &format : document.allFormats()) {
        requireInside(format.stringProperty(QTextFormat::ImageName));
        requireInside(format.stringProperty(QTextFormat::BackgroundImageUrl));
    }
    return 0;
}
