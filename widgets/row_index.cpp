#include "widgets/row_index.h"

#include <algorithm>

void row_index::reset(int id_count)
{
    ids_.clear();
    row_of_.assign(std::size_t(std::max(0, id_count)), -1);
}

void row_index::clear()
{
    ids_.clear();
    std::fill(row_of_.begin(), row_of_.end(), -1);
}

int row_index::lower_bound(int id) const
{
    return int(std::lower_bound(ids_.begin(), ids_.end(), id) - ids_.begin());
}

void row_index::append(int id)
{
    set_row(id, size());
    ids_.push_back(id);
}

void row_index::insert_run(int row, int first_id, int count)
{
    if (count <= 0)
        return;
    row = std::clamp(row, 0, size());
    ids_.insert(ids_.begin() + row, std::size_t(count), 0);
    for (int j = 0; j < count; ++j)
        ids_[std::size_t(row + j)] = first_id + j;
    if (defer_)
        stale_from_ = stale_from_ < 0 ? row : std::min(stale_from_, row);
    else
        renumber_from(row);
}

row_index::deferred_renumber::~deferred_renumber()
{
    r_.defer_ = false;
    if (r_.stale_from_ >= 0)
        r_.renumber_from(r_.stale_from_);
    r_.stale_from_ = -1;
}

void row_index::remove_run(int row, int count)
{
    if (row < 0 || row >= size() || count <= 0)
        return;
    count = std::min(count, size() - row);
    for (int j = row; j < row + count; ++j)
        set_row(ids_[std::size_t(j)], -1);
    ids_.erase(ids_.begin() + row, ids_.begin() + row + count);
    renumber_from(row);
}

void row_index::renumber_from(int row)
{
    for (int r = row; r < size(); ++r)
        set_row(ids_[std::size_t(r)], r);
}
