#include "controls.h"

namespace {

MainControls madeControls{};
MainFonts madeFonts{};
HBITMAP logo = nullptr;
int height = 0;

}  // namespace

const MainControls& controls() { return madeControls; }
const MainFonts& fonts() { return madeFonts; }
HBITMAP logoBitmap() { return logo; }
int clientHeight() { return height; }

MainControls& windowControls() { return madeControls; }
MainFonts& windowFonts() { return madeFonts; }
void setLogoBitmap(HBITMAP bitmap) { logo = bitmap; }
void setClientHeight(int value) { height = value; }
