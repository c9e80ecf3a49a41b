#include "dsp/wave_names.h"

namespace ostrel {

const std::array<const char*, kWaveCount> waveNames = {
    "32 Sine",     "33 Saw",      "34 Sqr",       "35 WmBell",   "36 RdBell",   "37 R2Bell",   "38 W2Bell",
    "39 FmtBell",  "40 FzReed",   "41 FmtAOh",    "42 FmtAhh",   "43 TriPlus",  "44 DisBel",   "45 Pulse1",
    "46 Pulse2",   "47 SqrReed",  "48 Oohh",      "49 Eehh",     "50 FeedBack", "51 Piano1",   "52 E.Pno",
    "53 M.Harm",   "54 HiTop",    "55 WmReed",    "56 3 & 5",    "57 Hollow",   "58 Hvy7",     "59 BelOrg",
    "60 BassBel",  "61 Tine1",    "62 PhSQR",     "63 Orient",   "64 HiPipe",   "65 Mass",     "66 ReedOrg",
    "67 OrgAhh",   "68 MelOrg",   "69 FmtOrg",    "70 Clar",     "71 AhhFem",   "72 AhhHom",   "73 AhhBass",
    "74 RegVox",   "75 Vocal",    "76 Homme",     "77 HiAhh",    "78 Bass",     "79 Guitar",   "80 Nice",
    "81 WWind",    "82 Oboe",     "83 Harp",      "84 Pipe",     "85 Hack1",    "86 Hack2",    "87 Hack3",
    "88 Pinch",    "89 BellHrm",  "90. BellVox",  "91 Hi Harm",  "92 Hi Reed",  "93 BellReed", "94 WmWhstl",
    "95 Wood",     "96 Pure",     "97 Med Pure",  "98 HiHarm",   "99 FullBell", "100 Bell",    "101 Pinch",
    "102 Clustr",  "103 M.Pinch", "104 VoxPnch",  "105 OrgPnch", "106 AhhPnch", "107 PnoOrg",  "108 BrReed",
    "109 NoFund",  "110 ReedHrm", "111 LiteFund", "112 MelOrg",  "113 Bell",    "114 Bell",    "115 3&5Saw",
    "116 5thSin",  "117 Sin2Oct", "118 Sin4Oct",  "119 Saw5th",  "120 Saw2Oct", "121 Sqr5th",  "122 Sqr5Oct",
    "123 Sqr2Oct", "124 WarmLo",  "125 Bells",    "126 *null*",  "127 Noise",
};

const char* waveName(int index)
{
    if (index < 0 || index >= kWaveCount)
        return nullptr;
    return waveNames[static_cast<std::size_t>(index)];
}

} // namespace ostrel
