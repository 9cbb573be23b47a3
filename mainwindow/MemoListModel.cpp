#include "mainwindow/MemoListModel.h"

#include "platform/Platform.h"

namespace jotanor {

MemoListModel::MemoListModel(QObject* parent)
    : QAbstractListModel(parent), divider_(QString::fromStdString(divider())) {}

int MemoListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(blocks_.size() * kBlockLines);
}

QVariant MemoListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return line(index.row());
}

QString MemoListModel::line(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= blocks_.size() * kBlockLines) return {};
    const int part = row % kBlockLines;
    if (part == kBlockLines - 1) return divider_;
    try {
        return fromMemoText(blockLine(blocks_[static_cast<std::size_t>(row / kBlockLines)], part));
    } catch (const std::exception&) {
        // A listed date always has a text; nothing may escape into the view.
        return {};
    }
}

long MemoListModel::recordPosition(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= blocks_.size() * kBlockLines) return -1;
    return static_cast<long>(blocks_[static_cast<std::size_t>(row / kBlockLines)].position);
}

void MemoListModel::setBlocks(std::vector<MemoBlock> blocks) {
    beginResetModel();
    blocks_ = std::move(blocks);
    blocks_.shrink_to_fit();
    endResetModel();
}

}  // namespace jotanor
