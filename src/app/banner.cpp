#include "app/banner.h"

namespace quorvex {

// The art is printed byte for byte, so every backslash below is one
// backslash on screen.
const char BannerLines[kBannerRows][kBannerSlotBytes] = {
    "  $$$$$$$\\  $$$$$\\  $$\\      $$\\ $$$$$$\\  $$$$$$\\   $$$$$\\\n",
    "  \\_$$  _| $$  _$$\\ $$$\\    $$$ |$$  _$$\\ $$  _$$\\ $$  _$$\\\n",
    "    $$ |   $$ / $$ |$$$$\\  $$$$ |$$ | $$ |$$ | $$ |$$ / $$ |\n",
    "    $$ |   $$$$$$$ |$$\\$$\\$$ $$ |$$$$$$\\ |$$$$$$  |$$ | $$ |\n",
    "    $$ |   $$  _$$ |$$ \\$$$  $$ |$$  _$$\\ $$  _$$< $$ | $$ |\n",
    "    $$ |   $$ | $$ |$$ |\\$  /$$ |$$ | $$ |$$ | $$ |$$ | $$ |\n",
    "    $$ |   $$ | $$ |$$ | \\_/ $$ |$$$$$$  |$$ | $$ | $$$$$  |\n",
    "    \\__|   \\__| \\__|\\__|     \\__|\\_______|\\__| \\__| \\______|\n",
};

}  // namespace quorvex
