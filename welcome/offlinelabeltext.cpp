#include "offlinelabeltext.h"

#include <QImage>
#include <QLabel>
#include <QTextDocument>
#include <QUrl>

namespace {

// A document asks its parent object for every resource before it would read the disk, and
// when that parent is itself a document it reads nothing at all (QTextDocument::loadResource).
// The provider of QTextDocument::setDefaultResourceProvider is no gate: it is asked only for
// what the disk did not give. Every answer is a real picture: one that does not decode would
// make the layout load the name as a file path itself; a style sheet answered with a picture
// is ignored.
class ResourceGate final : public QTextDocument
{
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int, const QUrl &) override
    {
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        return blank;
    }
};

} // namespace

void setOfflineText(QLabel *label, const QString &text)
{
    auto *gate = new ResourceGate(label);
    if (Qt::mightBeRichText(text)) {
        // A label without a name is named for assistive technologies by its rich text, read
        // into a document of theirs, which would load what the text names. An empty name is no
        // name: a text with nothing to read is named by a blank.
        QTextDocument reading(gate);
        reading.setHtml(text);
        const QString name = reading.toPlainText();
        label->setAccessibleName(name.isEmpty() ? QStringLiteral(" ") : name);
    }
    label->setText(text);
    // The label reads its text into a document of its own when it is first laid out, after
    // this: that document goes behind the gate first.
    for (QTextDocument *document : label->findChildren<QTextDocument *>()) {
        if (document != gate && document->parent() != gate)
            document->setParent(gate);
    }
}
