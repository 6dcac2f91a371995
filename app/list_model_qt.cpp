#include "app/list_model_qt.h"

#include <QApplication>
#include <QPainter>

namespace vok {

void ListLinesModel::Clear() {
  beginResetModel();
  lines_ = ListLines();
  endResetModel();
}

void ListLinesModel::Append(ListLines lines) {
  if (lines.empty()) return;
  const int first = rowCount();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.size()) - 1);
  if (lines_.empty()) {
    lines_ = std::move(lines);
  } else {
    for (std::size_t i = 0; i < lines.size(); ++i) lines_.push_back(lines[i]);
  }
  endInsertRows();
}

QModelIndex ListLinesModel::index(int row, int column, const QModelIndex& parent) const {
  const bool inList = row >= 0 && static_cast<std::size_t>(row) < lines_.size() && column == 0;
  return inList && !parent.isValid() ? createIndex(row, 0) : QModelIndex();
}

int ListLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant ListLinesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const std::string_view line = lines_[static_cast<std::size_t>(index.row())];
  const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  // A tool tip that looks like markup is shown as markup: it gets the line escaped.
  if (role == Qt::ToolTipRole) {
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped());
  }
  return text;
}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QString text = item.text;
  item.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

  const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
  painter->save();
  painter->setFont(item.font);
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  painter->setPen(option.palette.color(QPalette::Normal,
                                       selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs, text);
  painter->restore();
}

}  // namespace vok
