#pragma once

// Mouse-wheel scrolling of the data grids, as a rule on row numbers alone. Row 0 is the grid's fixed heading
// row; data rows are 1 to rowCount - 1.
namespace GridWheel {

// Rows moved by one wheel notch: the whole number of rows of the given height that fit in the control's height,
// and at least 10. A row height of 0 or less counts as no row fitting.
int stepRows(int controlHeight, int rowHeight);

// The first visible row after one notch. Away from the user (a positive wheel distance) moves it up by the step,
// not above row 1; toward the user moves it down by the step, not beyond the last row (rowCount - 1). A grid
// without data rows stays at row 1.
int nextFirstVisibleRow(int firstVisibleRow, int rowCount, int controlHeight, int rowHeight, bool awayFromUser);

} // namespace GridWheel
