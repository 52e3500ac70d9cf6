#pragma once
// The window's fixed measures (positions, widths, row heights) are designed in pixels for text drawn at 96
// dots per inch. Where the toolkit draws text at a higher logical DPI without scaling pixels along (high-DPI
// scaling turned off, or a fractional factor rounded away), those measures grow with the text, so that no
// caption is cut off. Where pixels are scaled along, the logical DPI stays 96 and nothing changes.

// Factor for the fixed measures at LogicalDpi: LogicalDpi / 96, at most 4, never below 1 (a smaller font
// still fits the design); 1 for a value that is not a finite number.
double DesignScaleForDpi(double LogicalDpi);

// DesignPixels grown by Scale (as DesignScaleForDpi gives it: from 1 to 4), rounded to the nearest pixel and
// held within the range of int.
int ScaledPixels(int DesignPixels, double Scale);
