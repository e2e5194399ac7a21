// TGrid's own row numbering: data rows from 1, the row kept when the last
// one goes, values beside the text, and the current cell.
#include "support/qt_app.h"
#include "toolkit/grid.h"

#include <gtest/gtest.h>

namespace {

// The application exists before the fixture's grid is made.
struct WITH_APPLICATION {
    WITH_APPLICATION() { ensure_qt_application(true); }
};

struct GridTest : ::testing::Test, WITH_APPLICATION {
    TGrid grid{{"Path", "Show", "Start"}, 18};
    void fill(int rows) {
        grid.set_row_count(rows + 1);
        for (int r = 1; r <= rows; ++r)
            grid.set_cell(0, r, QString::number(r));
    }
};

} // namespace

TEST_F(GridTest, RemovingRowsKeepsOneEmptyDataRow) {
    grid.set_check_column(1, true);
    fill(3);
    grid.set_checked(1, 3, true);
    grid.remove_row(2);
    ASSERT_EQ(grid.row_count(), 3);
    EXPECT_EQ(grid.cell(0, 1), "1");
    EXPECT_EQ(grid.cell(0, 2), "3");
    EXPECT_TRUE(grid.checked(1, 2)) << "the row's box moved up with it";
    grid.remove_row(0);
    grid.remove_row(3);
    EXPECT_EQ(grid.row_count(), 3) << "rows outside the data rows are left alone";
    grid.remove_row(1);
    grid.remove_row(1);
    EXPECT_EQ(grid.row_count(), 2) << "the last data row stays, emptied";
    EXPECT_TRUE(grid.cell(0, 1).isEmpty());
    EXPECT_FALSE(grid.checked(1, 1));
}

TEST_F(GridTest, ClearingLeavesHeaderAndOneRowWithUntickedBoxes) {
    grid.set_check_column(1, true);
    fill(4);
    grid.set_checked(1, 2, true);
    grid.set_cell_data(0, 2, Qt::UserRole, QByteArray("bytes"));
    grid.clear_rows();
    ASSERT_EQ(grid.row_count(), 2);
    EXPECT_EQ(grid.cell(0, 0), "Path") << "the header stays";
    EXPECT_TRUE(grid.cell(0, 1).isEmpty());
    ASSERT_NE(grid.item(0, 1), nullptr) << "the box column shows a box";
    EXPECT_EQ(grid.item(0, 1)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(grid.cell_data(0, 1, Qt::UserRole).isValid());
}

TEST_F(GridTest, ValuesBesideTheTextFollowTheirRow) {
    fill(2);
    grid.set_cell_data(0, 2, Qt::UserRole, QByteArray("\xff\x01", 2));
    EXPECT_EQ(grid.cell_data(0, 2, Qt::UserRole).toByteArray(), QByteArray("\xff\x01", 2));
    EXPECT_FALSE(grid.cell_data(0, 1, Qt::UserRole).isValid());
    EXPECT_FALSE(grid.cell_data(0, 9, Qt::UserRole).isValid()) << "no such row";
    grid.clear_row(2);
    EXPECT_FALSE(grid.cell_data(0, 2, Qt::UserRole).isValid());
    EXPECT_TRUE(grid.cell(0, 2).isEmpty());
    EXPECT_EQ(grid.row_count(), 3) << "clearing a row keeps it";
}

TEST_F(GridTest, CurrentCellIsSetOnlyInsideTheDataRows) {
    fill(3);
    grid.set_current_cell(2, 3);
    EXPECT_EQ(grid.current_row(), 3);
    EXPECT_EQ(grid.current_col(), 2);
    grid.set_current_cell(1, 0);  // the header
    grid.set_current_cell(-1, 0); // beside the rows
    grid.set_current_cell(0, 4);
    grid.set_current_cell(3, 1);
    EXPECT_EQ(grid.current_row(), 3);
    EXPECT_EQ(grid.current_col(), 2);
}
