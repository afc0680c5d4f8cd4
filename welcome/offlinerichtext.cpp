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

bool isInsideProgram(const QString &name)
{
    const QString scheme = QUrl(name).scheme();
    return name.startsWith(QLatin1String(":/")) ||
           scheme.compare(QLatin1String("qrc"), Qt::CaseInsensitive) == 0 ||
           scheme.compare(QLatin1String("data"), Qt::CaseInsensitive) == 0;
}

// Answers every resource request itself: the markup parser already loads backgrounds and
// style sheets while it reads, and nothing of that may reach a file or the network here.
class OfflineDocument final : public QTextDocument
{
public:
    bool namedOutsideResource = false;

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        if (!isInsideProgram(name.toString()))
            namedOutsideResource = true;
        if (type == QTextDocument::ImageResource) {
            // A null picture would make the layout try the name as a file path itself.
            QImage placeholder(1, 1, QImage::Format_ARGB32);
            placeholder.fill(Qt::transparent);
            return placeholder;
        }
        return QByteArray();
    }
};

// Takes an outside background out of `format`; true when there was one.
template <typename Format> bool dropOutsideBackground(Format &format)
{
    if (!format.hasProperty(QTextFormat::BackgroundImageUrl) ||
        isInsideProgram(format.stringProperty(QTextFormat::BackgroundImageUrl)))
        return false;
    format.clearProperty(QTextFormat::BackgroundImageUrl);
    return true;
}

bool cleanFrames(QTextFrame *frame)
{
    bool changed = false;
    QTextFrameFormat format = frame->frameFormat();
    if (dropOutsideBackground(format)) {
        frame->setFrameFormat(format);
        changed = true;
    }
    if (auto *table = qobject_cast<QTextTable *>(frame)) {
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                QTextCharFormat cellFormat = cell.format();
                if (dropOutsideBackground(cellFormat)) {
                    cell.setFormat(cellFormat);
                    changed = true;
                }
            }
        }
    }
    for (QTextFrame *child : frame->childFrames())
        changed = cleanFrames(child) || changed;
    return changed;
}

bool cleanBlocks(QTextDocument &document)
{
    // Changes wait until the walk is over: a fragment whose format changes may merge with
    // its neighbours, which would leave the walk's iterator behind.
    bool changed = false;
    QList<std::pair<QTextCursor, QTextCharFormat>> backgroundsToDrop;
    QList<QTextCursor> outsidePictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat blockFormat = block.blockFormat();
        if (dropOutsideBackground(blockFormat)) {
            cursor.setBlockFormat(blockFormat);
            changed = true;
        }
        QTextCharFormat blockCharFormat = block.charFormat();
        if (dropOutsideBackground(blockCharFormat)) {
            cursor.setBlockCharFormat(blockCharFormat);
            changed = true;
        }
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
    return changed || !backgroundsToDrop.isEmpty() || !outsidePictures.isEmpty();
}

} // namespace

QString withoutOutsideResources(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    OfflineDocument document;
    document.setHtml(text);
    const bool framesChanged = cleanFrames(document.rootFrame());
    const bool blocksChanged = cleanBlocks(document);
    if (!document.namedOutsideResource && !framesChanged && !blocksChanged)
        return text;
    return document.toHtml();
}
