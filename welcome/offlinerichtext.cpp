#include "offlinerichtext.h"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <utility>

namespace {

bool hasScheme(const QUrl &name, QLatin1String scheme)
{
    return name.scheme().compare(scheme, Qt::CaseInsensitive) == 0;
}

bool isInsideProgram(const QString &name)
{
    const QUrl url(name);
    return name.startsWith(QLatin1String(":/")) || hasScheme(url, QLatin1String("qrc")) ||
           hasScheme(url, QLatin1String("data"));
}

// Reads the text as the label's own document would, short of reaching outside: style sheets
// written into the text as data: addresses are decoded, so that their rules take effect here
// and the backgrounds they name are seen and removed. Every other request is answered here
// without being read, also those the parser makes while it reads (backgrounds, imports).
class OfflineDocument final : public QTextDocument
{
protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        // Qt's own decoding; with no parent document it reads nothing for a data: address.
        if (hasScheme(name, QLatin1String("data")))
            return QTextDocument::loadResource(type, name);
        if (type == QTextDocument::ImageResource) {
            // A null picture would make the layout try the name as a file path itself.
            QImage placeholder(1, 1, QImage::Format_ARGB32);
            placeholder.fill(Qt::transparent);
            return placeholder;
        }
        return QByteArray();
    }
};

template <typename Format> bool dropOutsideBackground(Format &format)
{
    if (!format.hasProperty(QTextFormat::BackgroundImageUrl) ||
        isInsideProgram(format.stringProperty(QTextFormat::BackgroundImageUrl)))
        return false;
    format.clearProperty(QTextFormat::BackgroundImageUrl);
    return true;
}

void cleanFrames(QTextFrame *frame)
{
    QTextFrameFormat format = frame->frameFormat();
    if (dropOutsideBackground(format))
        frame->setFrameFormat(format);
    if (auto *table = qobject_cast<QTextTable *>(frame)) {
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                QTextCharFormat cellFormat = cell.format();
                if (dropOutsideBackground(cellFormat))
                    cell.setFormat(cellFormat);
            }
        }
    }
    for (QTextFrame *child : frame->childFrames())
        cleanFrames(child);
}

void cleanBlocks(QTextDocument &document)
{
    // Changes wait until the walk is over: a fragment whose format changes may merge with
    // its neighbours, which would leave the walk's iterator behind.
    QList<std::pair<QTextCursor, QTextCharFormat>> backgroundsToDrop;
    QList<QTextCursor> outsidePictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat blockFormat = block.blockFormat();
        if (dropOutsideBackground(blockFormat))
            cursor.setBlockFormat(blockFormat);
        QTextCharFormat blockCharFormat = block.charFormat();
        if (dropOutsideBackground(blockCharFormat))
            cursor.setBlockCharFormat(blockCharFormat);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            const bool outsidePicture =
                format.isImageFormat() && !isInsideProgram(format.toImageFormat().name());
            if (!outsidePicture && !dropOutsideBackground(format))
                continue;
            QTextCursor span(&document);
            span.setPosition(fragment.position());
            span.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            if (outsidePicture)
                outsidePictures.append(span);
            else
                backgroundsToDrop.append({span, format});
        }
    }
    for (auto &[span, format] : backgroundsToDrop)
        span.setCharFormat(format);
    // Cursors follow the edits before them, so each picture is removed where it now stands.
    for (QTextCursor &picture : outsidePictures)
        picture.removeSelectedText();
}

} // namespace

QString withoutOutsideResources(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    OfflineDocument document;
    document.setHtml(text);
    cleanFrames(document.rootFrame());
    cleanBlocks(document);
    // Always the document written out again, never the text as it came: the export carries
    // the formatting that remains in inline form and no <link>, <style> or @import, so the
    // label's own reading can reach nothing the reading here did not see.
    return document.toHtml();
}
