#pragma once
// Shares a frame's rows between the calling thread and one persistent helper
// thread. The helper is started on first use and joined at process exit.

// Draws rows first..end-1 of the current job.
using RowRangeFunction = void (*)(int firstRow, int endRow);

// Runs `drawRows` over rows 0..rowCount-1 in chunks, on the calling thread
// and, when `threads` is 2 or more, on the helper as well. Returns when every
// row is drawn. Writes made before the call are visible to the helper.
void runRows(RowRangeFunction drawRows, int rowCount, int threads);
