#pragma once
// The colours of the editor's status line, as every part that shows a text
// there names them.
enum StatusLineColour : int { kStatusWhite = 0, kStatusOrange = 1, kStatusGreen = 2, kStatusRed = 3 };
