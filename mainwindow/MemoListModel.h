// The rows of ListBox1: four lines for every memo block, made when the list
// draws them. The blocks remember the record each came from.
#pragma once

#include <QAbstractListModel>
#include <vector>

#include "mainwindow/MemoViews.h"

namespace jotanor {

class MemoListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit MemoListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Replaces the whole list.
    void setBlocks(std::vector<MemoBlock> blocks);
    void clear() { setBlocks({}); }

    std::size_t blockCount() const { return blocks_.size(); }
    const MemoBlock& block(std::size_t b) const { return blocks_[b]; }
    // The line shown at a row, as the window shows it.
    QString line(int row) const;
    // Position in the memo file of the record shown at a row; -1 outside the list.
    long recordPosition(int row) const;

private:
    std::vector<MemoBlock> blocks_;
    QString divider_;
};

}  // namespace jotanor
