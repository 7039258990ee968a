// The rows of a record table: which record id each data row shows, in row order (kept
// sorted by id by the tables that use it), and the reverse map from id to row. Runs of
// rows go in and out in one step; the reverse map follows every change.
#pragma once
#include <cstddef>
#include <vector>

class row_index {
public:
    // No rows; ids 0 .. id_count - 1 can be shown.
    void reset(int id_count);
    // No rows; the ids stay.
    void clear();

    int size() const { return int(ids_.size()); }
    bool empty() const { return ids_.empty(); }
    int id_count() const { return int(row_of_.size()); }

    // The id row `row` shows, -1 outside the rows.
    int id_at(int row) const { return row >= 0 && row < size() ? ids_[std::size_t(row)] : -1; }
    // The row that shows `id`, -1 when none (or outside the ids).
    int row_of(int id) const { return id >= 0 && id < id_count() ? row_of_[std::size_t(id)] : -1; }
    // The first row whose id is not below `id`: the row of `id`, or where it would go.
    int lower_bound(int id) const;

    // A row for `id` after the last one.
    void append(int id);
    // Rows for ids first_id .. first_id + count - 1 from `row` on; the rows below move down.
    void insert_run(int row, int first_id, int count);
    // Removes `count` rows from `row` on (fewer at the end); the rows below move up.
    void remove_run(int row, int count);

    // Keeps insert_run from bringing the reverse map up to date for its scope; the map is
    // brought up to date once, from the first row that moved, when the scope ends. Until
    // then row_of() may be stale (id_at() and lower_bound() are not).
    class deferred_renumber {
    public:
        explicit deferred_renumber(row_index& r) : r_(r) { r_.defer_ = true; }
        ~deferred_renumber();
        deferred_renumber(const deferred_renumber&) = delete;
        deferred_renumber& operator=(const deferred_renumber&) = delete;

    private:
        row_index& r_;
    };

    const std::vector<int>& ids() const { return ids_; }
    // Row of each id, indexed by id; null when there are no ids.
    const int* rows_by_id() const { return row_of_.empty() ? nullptr : row_of_.data(); }

private:
    void set_row(int id, int row)
    {
        if (id >= 0 && id < id_count())
            row_of_[std::size_t(id)] = row;
    }
    void renumber_from(int row);

    std::vector<int> ids_;
    std::vector<int> row_of_;
    bool defer_ = false;
    int stale_from_ = -1;  // first row whose map entry a deferred insert left stale
};
