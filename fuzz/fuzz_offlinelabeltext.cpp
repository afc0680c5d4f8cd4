// Feeds arbitrary bytes, as welcome text from the content server, to a label the way the welcome
// dialog shows it. Every document the label reads its text into must sit behind the gate, and
// every picture and background the text names, asked for as laying it out and painting it
// would, must be answered with a picture by the gate: an answer read from the disk, or a request
// the gate let through to the program-wide resource provider, is a finding.
#include "offlinelabeltext.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTextDocument>
#include <QTextFormat>
#include <QUrl>

#include <sanitizer/lsan_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool holds, const char *finding, const QString &name)
{
    if (holds)
        return;
    std::fprintf(stderr, "%s: %s\n", finding, qPrintable(name));
    std::abort();
}

void requireBlankPicture(QTextDocument &document, const QString &name)
{
    if (name.isEmpty())
        return;
    const QVariant answer = document.resource(QTextDocument::ImageResource, QUrl(name));
    require(answer.userType() == QMetaType::QImage && !qvariant_cast<QImage>(answer).isNull(),
            "not answered by the gate", name);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    // Asked only for what a document's own loading did not answer.
    QTextDocument::setDefaultResourceProvider([](const QUrl &name) {
        require(false, "past the gate", name.toString());
        return QVariant();
    });
    // The first label loads the font all of them lay out with, once, and the toolkit keeps a
    // record of its face where LeakSanitizer cannot see it: not a leak of a run.
    __lsan_disable();
    {
        QLabel first;
        setOfflineText(&first, QStringLiteral("<p>x</p>"));
    }
    __lsan_enable();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QLabel label;
    setOfflineText(&label, text);
    for (QTextDocument *document : label.findChildren<QTextDocument *>()) {
        if (document->parent() == &label)
            continue; // the gate itself
        require(qobject_cast<QTextDocument *>(document->parent()), "not behind the gate", text);
        // Read as the label reads its text when first laid out, in a document beside its own:
        // that one has a layout, which would load fonts, whose caches outlive every run.
        QTextDocument reading(document->parent());
        reading.setHtml(label.text());
        for (const QTextFormat &format : reading.allFormats()) {
            requireBlankPicture(reading, format.stringProperty(QTextFormat::ImageName));
            requireBlankPicture(reading, format.stringProperty(QTextFormat::BackgroundImageUrl));
        }
    }
    return 0;
}
