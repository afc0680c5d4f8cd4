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
    bool changed = false;
    QList<std::pair<int, int>> outsidePictures; // position and length
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
            if (format.isImageFormat() && !isInsideProgram(format.toImageFormat().name())) {
                outsidePictures.append({fragment.position(), fragment.length()});
            } else if (dropOutsideBackground(format)) {
                cursor.setPosition(fragment.position());
                cursor.setPosition(fragment.position() + fragment.length(),
                                   QTextCursor::KeepAnchor);
                cursor.setCharFormat(format);
                changed = true;
            }
        }
    }
    // From the end, so that each removal leaves the positions still to remove in place.
    for (auto it = outsidePictures.crbegin(); it != outsidePictures.crend(); ++it) {
        QTextCursor cursor(&document);
        cursor.setPosition(it->first);
        cursor.setPosition(it->first + it->second, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        changed = true;
    }
    return changed;
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
