#include "controls/DataGrid.h"

#include "engine/Query.h"

#include <QHash>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include "platform/MessageBox.h"

namespace {

// Column titles narrower than their text are drawn condensed rather than
// cut: "Дата возврата" must read whole in its 80-pixel column.
class FittingHeader : public QHeaderView {
public:
    explicit FittingHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
        const QString title = model()->headerData(logicalIndex, orientation()).toString();
        const int room = rect.width() - 2 * margin;
        // Finding the stretch measures the title in several fonts: once per
        // title and width is enough.
        const QString key = title + u'\n' + QString::number(room) + u'\n' + font().key();
        if (!m_fonts.contains(key))
            m_fonts.insert(key, DataGrid::titleFont(font(), title, room));
        painter->save();
        painter->setFont(m_fonts.value(key));
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
    }

private:
    mutable QHash<QString, QFont> m_fonts;
};

// Paints each cell as the form's styler says, with the grid's own colours
// where it says nothing.
class StylingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    DataGrid::CellStyler styler;

    // A cell is one line of plain text on its colour, drawn directly: the
    // style's own drawing lays every text out as a paragraph, which for a
    // screen of cells costs more than the rest of a window together.
    void paint(QPainter* painter, const QStyleOptionViewItem& given, const QModelIndex& index) const override {
        QStyleOptionViewItem option = given;
        initStyleOption(&option, index);
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        else if (option.backgroundBrush.style() != Qt::NoBrush)
            painter->fillRect(option.rect, option.backgroundBrush);
        const QWidget* view = option.widget;
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
        QString text = option.text;
        text.replace(u'\n', u' ');
        const QFontMetrics metrics(option.font);
        if (metrics.horizontalAdvance(text) > area.width())
            text = metrics.elidedText(text, Qt::ElideRight, area.width());
        painter->save();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(area, int(option.displayAlignment) | Qt::TextSingleLine, text);
        painter->restore();
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.rect = option.rect;
            focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
            view->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
        }
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!styler)
            return;
        const bool selected = option->state & QStyle::State_Selected;
        const CellStyle style = styler(index.row(), index.column(), selected);
        if (style.bold)
            option->font.setBold(true);
        const QPalette::ColorRole back = selected ? QPalette::Highlight : QPalette::Base;
        const QPalette::ColorRole text = selected ? QPalette::HighlightedText : QPalette::Text;
        if (style.background.isValid()) {
            option->palette.setColor(QPalette::Active, back, style.background);
            option->palette.setColor(QPalette::Inactive, back, style.background);
            if (!selected)
                option->backgroundBrush = style.background;
        }
        if (style.text.isValid()) {
            option->palette.setColor(QPalette::Active, text, style.text);
            option->palette.setColor(QPalette::Inactive, text, style.text);
        }
    }
};

} // namespace

QFont DataGrid::titleFont(const QFont& font, const QString& title, int room) {
    const int needed = QFontMetrics(font).horizontalAdvance(title);
    if (needed <= room || needed <= 0)
        return font;
    QFont condensed = font;
    // Never narrower than 70 %: beyond that a title is better cut than unread.
    // Glyph widths round, so the first guess may still be a pixel too wide.
    for (int stretch = 100 * room / needed; stretch >= 70; --stretch) {
        condensed.setStretch(stretch);
        if (QFontMetrics(condensed).horizontalAdvance(title) <= room)
            break;
    }
    return condensed;
}

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), m_model(new QueryTableModel(this)) {
    setHorizontalHeader(new FittingHeader(this));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false); // Tab moves the focus on
    setShowGrid(true);
    setWordWrap(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(0);
    QHeaderView* indicator = verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setDefaultSectionSize(fontMetrics().height() + 4);
    indicator->setFixedWidth(12);
    indicator->setDefaultAlignment(Qt::AlignCenter);
    indicator->setSectionsClickable(false);
    // A press on a row's indicator makes that row current, as on its cells
    // (a clickable header would ignore presses near the rows' borders).
    indicator->viewport()->installEventFilter(this);
    applyGridPalette(this);
    setItemDelegate(new StylingDelegate(this));
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::titleClicked);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) { followView(current); });
    // A reset (a post, a sort, a reopen) keeps the columns the user sized;
    // a new set of columns starts at the fields' display widths.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_widthsBeforeReset.clear();
        for (int c = 0; c < horizontalHeader()->count(); ++c)
            m_widthsBeforeReset << columnWidth(c);
    });
    // Columns added at the right start at their display widths.
    connect(m_model, &QAbstractItemModel::columnsInserted, this, [this](const QModelIndex&, int first, int last) {
        for (int c = first; c <= last; ++c)
            setColumnWidth(c, displayWidth(c));
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        const bool sameColumns = m_widthsBeforeReset.size() == m_model->columnCount() && !m_widthsBeforeReset.isEmpty();
        for (int c = 0; c < m_model->columnCount(); ++c)
            setColumnWidth(c, sameColumns ? m_widthsBeforeReset[c] : displayWidth(c));
        if (query())
            followQuery(query()->currentRow());
    });
}

int DataGrid::displayWidth(int column) const {
    if (const QueryTableModel::ExtraColumn* extra = m_model->extraColumn(column))
        return extra->characters * fontMetrics().horizontalAdvance(u'0') + 4;
    const engine::FieldDef& def = query()->fields()[m_model->fieldOfColumn(column)];
    const int characters = def.displayWidth > 0 ? def.displayWidth : def.size;
    if (characters <= 0)
        return horizontalHeader()->defaultSectionSize();
    return characters * fontMetrics().horizontalAdvance(u'0') + 4;
}

void DataGrid::setQuery(engine::Query* query) {
    if (m_model->query())
        disconnect(m_model->query(), nullptr, this, nullptr);
    m_model->setQuery(query);
    if (query)
        connect(query, &engine::Query::currentRowChanged, this, &DataGrid::followQuery);
}

void DataGrid::setCellStyler(CellStyler styler) {
    static_cast<StylingDelegate*>(itemDelegate())->styler = std::move(styler);
    viewport()->update();
}

void DataGrid::followQuery(int row) {
    if (m_syncing)
        return;
    m_syncing = true;
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clear();
    } else {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex target = m_model->index(row, column);
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    }
    m_syncing = false;
}

void DataGrid::followView(const QModelIndex& current) {
    if (m_syncing || !current.isValid() || !query() || !query()->isOpen())
        return;
    m_syncing = true;
    const bool moved = platform::guarded([&] { query()->setCurrentRow(current.row()); });
    m_syncing = false;
    if (!moved) // the query stayed where it was: so does the view
        QTimer::singleShot(0, this, [this] {
            if (query())
                followQuery(query()->currentRow());
        });
}

void DataGrid::keyboardSearch(const QString&) {}

void DataGrid::applyGridPalette(QWidget* view) {
    QPalette p = view->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Base, Qt::white);
        p.setColor(group, QPalette::Text, Qt::black);
        p.setColor(group, QPalette::Highlight, selectionColor());
        p.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    view->setPalette(p);
}

void DataGrid::setUpListTable(QTableView* view) {
    applyGridPalette(view);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setWordWrap(false);
}

QPoint DataGrid::cellAt(const QPoint& p) const {
    const QHeaderView* titles = horizontalHeader();
    const QHeaderView* indicator = verticalHeader();
    const QRect inner = rect().adjusted(frameWidth(), frameWidth(), -frameWidth(), -frameWidth());
    if (!inner.contains(p))
        return {-1, -1};
    const int x = p.x() - inner.left();
    const int y = p.y() - inner.top();
    const int titleHeight = titles->isVisible() ? titles->height() : 0;
    const int indicatorWidth = indicator->isVisible() ? indicator->width() : 0;
    int column = -1;
    if (x < indicatorWidth) {
        column = 0;
    } else {
        const int logical = columnAt(x - indicatorWidth);
        column = logical < 0 ? -1 : logical + 1;
    }
    int row = -1;
    if (y < titleHeight) {
        row = 0;
    } else if (m_model->rowCount() == 0) {
        // An empty grid still has its one blank row under the titles.
        row = y - titleHeight < verticalHeader()->defaultSectionSize() ? 1 : -1;
    } else {
        const int modelRow = rowAt(y - titleHeight);
        const int top = rowAt(0);
        row = modelRow < 0 ? -1 : modelRow - top + 1;
    }
    if (column < 0 || row < 0)
        return {-1, -1};
    return {column, row};
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == verticalHeader()->viewport() && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const int row = verticalHeader()->logicalIndexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (row >= 0)
            setCurrentIndex(m_model->index(row, currentIndex().isValid() ? currentIndex().column() : 0));
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void DataGrid::watchDoubleClicks(QObject* filter) {
    viewport()->installEventFilter(filter);
    verticalHeader()->viewport()->installEventFilter(filter);
}

std::optional<QPoint> DataGrid::doubleClickAt(const QObject* watched, const QEvent* event) const {
    if (event->type() != QEvent::MouseButtonDblClick)
        return std::nullopt;
    const QWidget* area = nullptr;
    if (watched == viewport())
        area = viewport();
    else if (watched == verticalHeader()->viewport())
        area = verticalHeader()->viewport();
    if (!area)
        return std::nullopt;
    return area->mapTo(this, static_cast<const QMouseEvent*>(event)->position().toPoint());
}

int DataGrid::verticalBarWidth() const {
    return verticalScrollBar()->isVisibleTo(this) ? verticalScrollBar()->width() : 0;
}

void DataGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    if (m_sideways) {
        QTableView::scrollTo(index, hint);
        return;
    }
    QTableView::scrollTo(m_model->index(index.row(), 0), hint);
    horizontalScrollBar()->setValue(0);
}
