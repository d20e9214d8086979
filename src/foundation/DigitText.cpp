#include "DigitText.h"
#include "Store.h"

#include <QFontMetricsF>
#include <QHash>
#include <QQuickWindow>
#include <QTextLayout>
#include <cmath>
#include <QtQuick/private/qquicktextnode_p.h>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// One character laid out as a Text `width` wide, centred, lays it out.
void layOut(QTextLayout &layout, const QString &character, const QFont &font, qreal width)
{
    QTextOption option;
    option.setAlignment(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::NoWrap);
    layout.setText(character);
    layout.setFont(font);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
}

// The advance of the widest digit, rounded up; measured once per font.
qreal widestDigit(const QFont &font)
{
    static QHash<QString, qreal> known;
    const QString key = font.key();
    if (const auto it = known.constFind(key); it != known.cend())
        return *it;
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (char16_t d = u'0'; d <= u'9'; ++d)
        widest = qMax(widest, metrics.horizontalAdvance(QString(QChar(d))));
    return *known.insert(key, std::ceil(widest));
}

} // namespace

DigitText::DigitText(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents);
    relayout();
}

void DigitText::setText(const QString &text)
{
    if (assignAndNotify(this, m_text, text, &DigitText::textChanged))
        relayout();
}

void DigitText::setFont(const QFont &font)
{
    if (assignAndNotify(this, m_font, font, &DigitText::fontChanged))
        relayout();
}

void DigitText::setColor(const QColor &color)
{
    if (assignAndNotify(this, m_color, color, &DigitText::colorChanged))
        update();
}

void DigitText::relayout()
{
    m_digitWidth = widestDigit(m_font);
    m_cells.clear();
    qreal x = 0;
    qreal height = 0;
    for (const QChar c : std::as_const(m_text)) {
        QTextLayout layout;
        layOut(layout, QString(c), m_font, 0);
        const QTextLine line = layout.lineAt(0);
        const qreal width = isDigit(c) ? m_digitWidth : line.naturalTextWidth();
        m_cells.append({x, width});
        x += width;
        height = qMax(height, line.height());
    }
    if (m_text.isEmpty()) {
        QTextLayout layout;
        layOut(layout, QStringLiteral(" "), m_font, 0);
        height = layout.lineAt(0).height();
    }
    m_lineHeight = height;
    setImplicitSize(x, m_text.isEmpty() ? 0 : height);
    update();
}

QSGNode *DigitText::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    if (m_text.isEmpty()) {
        delete old;
        return nullptr;
    }
    auto *node = static_cast<QQuickTextNode *>(old);
    if (!node)
        node = new QQuickTextNode(this);
    // As a Text of the default render type draws.
    node->setUseNativeRenderer(QQuickWindow::textRenderType() == QQuickWindow::NativeTextRendering);
    node->deleteContent();
    for (qsizetype i = 0; i < m_text.size() && i < m_cells.size(); ++i) {
        QTextLayout layout;
        layOut(layout, QString(m_text.at(i)), m_font, m_cells[i].second);
        node->addTextLayout(QPointF(m_cells[i].first, 0), &layout, m_color);
    }
    return node;
}
