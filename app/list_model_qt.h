#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>

#include "app/list_lines.h"

namespace vok {

// List1's items: a view over ListLines, so a million lines are added in one step and only the
// visible ones are ever turned into QStrings.
class ListLinesModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  void Clear();
  void Append(ListLines lines);

  // The view asks for the index of every row as it lays the rows out: this one answers without
  // the base class's round trip through rowCount and columnCount.
  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  ListLines lines_;
};

// Draws an item's TAB as a gap up to the next tab stop, as a list box with tab stops does.
class TabStopDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace vok
