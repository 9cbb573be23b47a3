#include "mainwindow/MemoListModel.h"

#include "platform/Platform.h"

namespace jotanor {

MemoListModel::MemoListModel(QObject* parent)
    : QAbstractListModel(parent), divider_(QString::fromStdString(divider())) {}

QModelIndex MemoListModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || row >= rows_ || column != 0 || parent.isValid()) return {};
    return createIndex(row, 0);
}

int MemoListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant MemoListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return line(index.row());
}

QString MemoListModel::line(int row) const {
    if (row < 0 || row >= rows_) return {};
    const int part = row % kBlockLines;
    if (part == kBlockLines - 1) return divider_;
    try {
        return fromMemoText(blocks_.line(static_cast<std::size_t>(row / kBlockLines), part));
    } catch (const std::exception&) {
        // A listed date always has a text; nothing may escape into the view.
        return {};
    }
}

long MemoListModel::recordPosition(int row) const {
    if (row < 0 || row >= rows_) return -1;
    return static_cast<long>(blocks_.position(static_cast<std::size_t>(row / kBlockLines)));
}

void MemoListModel::setBlocks(MemoBlocks blocks) {
    beginResetModel();
    blocks_ = std::move(blocks);
    rows_ = static_cast<int>(blocks_.size() * kBlockLines);
    endResetModel();
}

}  // namespace jotanor
