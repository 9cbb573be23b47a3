// The rows of ListBox1: four lines for every memo block, made when the list
// draws them. The blocks remember the record each came from.
#pragma once

#include <QAbstractListModel>

#include "diary/MemoViews.h"

namespace jotanor {

class MemoListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit MemoListModel(QObject* parent = nullptr);

    // index() is asked for every row when the list lays itself out, so it
    // answers without the base class's round of virtual calls.
    QModelIndex index(int row, int column = 0, const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Replaces the whole list.
    void setBlocks(MemoBlocks blocks);
    void clear() { setBlocks({}); }

    std::size_t blockCount() const { return blocks_.size(); }
    const MemoBlocks& blocks() const { return blocks_; }
    // The line shown at a row, as the window shows it.
    QString line(int row) const;
    // Position in the memo file of the record shown at a row; -1 outside the list.
    long recordPosition(int row) const;

private:
    MemoBlocks blocks_;
    int rows_ = 0;
    QString divider_;
};

}  // namespace jotanor
