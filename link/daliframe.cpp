#include "daliframe.h"

namespace {

struct Range
{
    int first;
    int last;
};

template <size_t N>
bool inRanges(const Range (&ranges)[N], int cmd)
{
    for (const Range& r : ranges) {
        if (cmd >= r.first && cmd <= r.last)
            return true;
    }
    return false;
}

const Range dt6SendOnce[] = {{0, 31}, {256, 257}, {261, 261}, {263, 267}, {272, 274}, {276, 276}, {350, 350}};
const Range dt6SendTwice[] = {{32, 37}, {42, 48}, {64, 129}, {224, 224}, {227, 228}, {258, 259}};
const Range dt6Query[] = {{144, 168}, {170, 170}, {176, 197}, {237, 238}, {240, 241}, {244, 245},
                          {247, 250}, {253, 255}, {260, 260}, {268, 269}, {275, 275}};

const Range dt8SendOnce[] = {{0, 31},    {224, 238}, {256, 257}, {261, 261},
                             {263, 267}, {272, 274}, {276, 276}, {350, 350}};
const Range dt8SendTwice[] = {{32, 37}, {42, 48}, {64, 129}, {239, 246}, {258, 259}};
const Range dt8Query[] = {{144, 168}, {170, 170}, {176, 197}, {247, 252},
                          {255, 255}, {260, 260}, {268, 269}, {275, 275}};

int frameClass(int dtMode, int cmd)
{
    if (dtMode == 0) {
        if (inRanges(dt6SendOnce, cmd))
            return DALI_FRAME_SEND_ONCE;
        if (inRanges(dt6SendTwice, cmd))
            return DALI_FRAME_SEND_TWICE;
        if (inRanges(dt6Query, cmd))
            return DALI_FRAME_QUERY;
        return 0;
    }
    if (inRanges(dt8SendOnce, cmd))
        return DALI_FRAME_SEND_ONCE;
    if (inRanges(dt8SendTwice, cmd))
        return DALI_FRAME_SEND_TWICE;
    if (inRanges(dt8Query, cmd))
        return DALI_FRAME_QUERY;
    return 0;
}

// PING is the special command AD 00 (IEC 62386-102); the numbering rule 2n - 351 would put it on
// the reserved AF, so it is mapped on its own while keeping its number for saved sequences.
constexpr int DALI_PING_ADDRESS_BYTE = 0xAD;

} // namespace

bool daliCommandHasParameter(int /*dtMode*/, int cmd)
{
    return cmd == 257 || cmd == 258 || (cmd >= 264 && cmd <= 268) || (cmd >= 272 && cmd <= 276)
           || cmd == DALI_CMD_DAPC;
}

bool encodeDaliFrame(int dtMode, int cmd, int addr, int para, int out[3])
{
    const int cls = frameClass(dtMode, cmd);
    if (cls == 0)
        return false;

    int addressByte;
    int dataByte;
    if (cmd == DALI_CMD_DAPC) {
        addressByte = addr & 0xFE;
        dataByte = para;
    } else if (cmd >= 0 && cmd <= 255) {
        addressByte = addr | 0x01;
        dataByte = cmd;
    } else if (cmd >= DALI_CMD_SPECIAL_FIRST && cmd <= DALI_CMD_SPECIAL_LAST) {
        addressByte = (cmd == DALI_CMD_PING) ? DALI_PING_ADDRESS_BYTE : 2 * cmd - 351;
        dataByte = daliCommandHasParameter(dtMode, cmd) ? para : 0;
    } else {
        return false;
    }

    out[0] = addressByte;
    out[1] = dataByte;
    out[2] = cls;
    return true;
}

namespace {

QString numbered(int number, const QString& name)
{
    return QString("%1 %2").arg(number, 3, 10, QChar('0')).arg(name);
}

// A run of names whose number and index step together: "NNN <prefix><i><suffix>".
void appendRun(QStringList& list, int firstNumber, int count, const QString& prefix,
               const QString& suffix = QString())
{
    for (int i = 0; i < count; ++i)
        list << numbered(firstNumber + i, prefix + QString::number(i) + suffix);
}

QStringList standardBlock(bool withGoToLastActiveLevel)
{
    QStringList l;
    l << "000 OFF"
      << "001 UP"
      << "002 DOWN"
      << "003 STEP UP"
      << "004 STEP DOWN"
      << "005 RECALL MAX LEVEL"
      << "006 RECALL MIN LEVEL"
      << "007 STEP DOWN AND OFF"
      << "008 ON AND STEP UP"
      << "009 ENABLE DAPC SEQUENCE";
    if (withGoToLastActiveLevel)
        l << "010 GO TO LAST ACTIVE LEVEL*";
    appendRun(l, 16, 16, "GO TO SCENE ");
    l << "032 RESET"
      << "033 STORE ACTUAL LEVEL IN THE DTR0*"
      << "034 SAVE PERSISTENT VARIABLES*"
      << "035 SET OPERATING MODE (DTR0)*"
      << "036 RESET MEMORY BANK (DTR0)*"
      << "037 IDENTIFY DEVICE*"
      << "042 SET MAX LEVEL (DTR0)*"
      << "043 SET MIN LEVEL (DTR0)*"
      << "044 SET SYSTEM FAILURE LEVEL (DTR0)*"
      << "045 SET POWER ON LEVEL (DTR0)*"
      << "046 SET FADE TIME (DTR0)*"
      << "047 SET FADE RATE (DTR0)*"
      << "048 SET EXTENDED FADE TIME (DTR0)*";
    appendRun(l, 64, 16, "SET SCENE ", " (DTR0)*");
    appendRun(l, 80, 16, "REMOVE FROM SCENE ");
    appendRun(l, 96, 16, "ADD TO GROUP ");
    appendRun(l, 112, 16, "REMOVE FROM GROUP ");
    l << "128 SET SHORT ADDRESS (DTR0)*"
      << "129 ENABLE WRITE MEMORY"
      << "144 QUERY STATUS"
      << "145 QUERY CONTROL GEAR PRESENT*"
      << "146 QUERY LAMP FAILURE"
      << "147 QUERY LAMP POWER ON"
      << "148 QUERY LIMIT ERROR"
      << "149 QUERY RESET STATE"
      << "150 QUERY MISSING SHORT ADDRESS"
      << "151 QUERY VERSION NUMBER"
      << "152 QUERY CONTENT DTR0*"
      << "153 QUERY DEVICE TYPE"
      << "154 QUERY PHYSICAL MINIMUM*"
      << "155 QUERY POWER FAILURE"
      << "156 QUERY CONTENT DTR1"
      << "157 QUERY CONTENT DTR2"
      << "158 QUERY OPERATING MODE*"
      << "159 QUERY LIGHT SOURCE TYPE*"
      << "160 QUERY ACTUAL LEVEL"
      << "161 QUERY MAX LEVEL"
      << "162 QUERY MIN LEVEL"
      << "163 QUERY POWER ON LEVEL"
      << "164 QUERY SYSTEM FAILURE LEVEL"
      << "165 QUERY FADE TIME/FADE RATE"
      << "166 QUERY MANUFACTURER SPECIFIC MODE*"
      << "167 QUERY NEXT DEVICE TYPE*"
      << "168 QUERY EXTENDED FADE TIME*"
      << "170 QUERY CONTROL GEAR FAILURE*";
    appendRun(l, 176, 16, "QUERY SCENE LEVEL (scene ", ")");
    l << "192 QUERY GROUPS 0-7"
      << "193 QUERY GROUPS 8-15"
      << "194 QUERY RANDOM ADDRESS (H)"
      << "195 QUERY RANDOM ADDRESS (M)"
      << "196 QUERY RANDOM ADDRESS (L)"
      << "197 READ MEMORY LOCATION (DTR1,DTR0)";
    return l;
}

QStringList specialBlock(bool dt8)
{
    QStringList l;
    l << "256 TERMINATE"
      << "257 DTR0*"
      << "258 INITIAL (device)"
      << "259 RANDOMISE"
      << "260 COMPARE"
      << "261 WITHDRAW";
    if (!dt8)
        l << "263 PING*";
    l << "264 SEARCHADDRH (data)*"
      << "265 SEARCHADDRM (data)*"
      << "266 SEARCHADDRL (data)*"
      << "267 PROGRAM SHORT ADDRESS (data)"
      << "268 VERIFY SHORT ADDRESS (data)"
      << "269 QUERY SHORT ADDRESS"
      << (dt8 ? "272 ENABLE DEVICE TYPE" : "272 ENABLE DEVICE TYPE (data)")
      << "273 DTR1 (data)*"
      << "274 DTR2 (data)*"
      << "275 WRITE MEMORY LOCATION (DTR1,DTR0,data)"
      << "276 WRITE MEMORY LOCATION-NO REPLY (DTR1,DTR0,data)";
    return l;
}

} // namespace

QStringList dt6CommandNameList()
{
    QStringList l;
    l << "350 DAPC";
    l << standardBlock(true);
    l << "224 REFERENCE SYSTEM POWER"
      << "227 SELECT DIMMING CURVE (DTR0)"
      << "228 SET FAST FADE TIME (DTR0)*"
      << "237 QUERY CONTROL GEAR TYPE"
      << "238 QUERY DIMMING CURVE"
      << "240 QUERY FEATURES"
      << "241 QUERY FAILURE STATUS"
      << "244 QUERY LOAD DECREASE"
      << "245 QUERY LOAD INCREASE"
      << "247 QUERY THERMAL SHUT DOWN"
      << "248 QUERY THERMAL OVERLOAD"
      << "249 QUERY REFERENCE RUNNUNG"
      << "250 QUERY REFERENCE MEASUREMENT FAILED"
      << "253 QUERY FAST FADE TIME"
      << "254 QUERY MIN FAST FADE TIME"
      << "255 QUERY EXTENDED VERSION NUMBER";
    l << specialBlock(false);
    l << "350 DAPC";
    return l;
}

QStringList dt8CommandNameList()
{
    QStringList l = standardBlock(false);
    l << "224 SET TEMPORARY x-COORDINATE"
      << "225 SET TEMPORARY y-COORDINATE"
      << "226 ACTIVATE"
      << "227 x-COORDINATE STEP UP"
      << "228 x-COORDINATE STEP DOWN"
      << "229 y-COORDINATE STEP UP"
      << "230 y-COORDINATE STEP DOWN"
      << "231 SET TEMPORARY COLOUR TEMPERATURE Tc"
      << "232 COLOUR TEMPERATURE Tc STEP COOLER"
      << "233 COLOUR TEMPERATURE Tc STEP WARMER"
      << "234 SET TEMPORARY PRIMARY N DIMLEVEL"
      << "235 SET TEMPORARY RGB DIMLEVEL"
      << "236 SET TEMPORARY WAF DIMLEVEL"
      << "237 SET TEMPORARY RGBWAF CONTROL"
      << "238 COPY REPORT TO TEMPORARY"
      << "240 STORE TY PRIMARY N"
      << "241 STORE xy-COORDINATE PRIMARY N"
      << "242 STORE COLOUR TEMPERATURE TC LIMIT"
      << "243 STORE GEAR FEATURES/STATUS"
      << "245 ASSIGN COLOUR TO LINKED CHANNEL"
      << "246 START AUTO CALIBRATION"
      << "247 QUERY GEAR FEATURES/STATUS"
      << "248 QUERY COLOUR STATUS"
      << "249 QUERY COLOUR TYPE FEATURES"
      << "250 QUERY COLOUR VALUE"
      << "251 QUERY RGBWAF CONTROL"
      << "252 QUERY ASSIGNED COLOUR"
      << "255 QUERY EXTENDED VERSION NUMBER";
    l << specialBlock(true);
    return l;
}

QStringList iProgCommandNameList()
{
    return {"INVALID COMMAND 0",
            "QUERY_DRIVER_SN",
            "SET_DIM_MODE",
            "SET_OUTPUT_CURRENT",
            "SET_DIM_FUNCTION",
            "SET_MIDNIGHT_SHIFT",
            "SET_MODULE_THERMAL_DERATING",
            "SET_FUNCTION_ENABLE",
            "SET_CONSTANT_LUMEN_TIMER",
            "SET_CONSTANT_LUMEN_LEVEL",
            "SET_SCHEDULE_TIMER",
            "SET_SCHEDULE_LEVEL",
            "SET_OR_CLEAR_MODULE_OPERATION_HOUR",
            "SET_EOL_TIME",
            "INVALID COMMOND 14",
            "INVALID COMMOND 15",
            "INVALID COMMOND 16",
            "INVALID COMMOND 17",
            "QUERY_DIM_MODE",
            "QUERY_OUTPUT_CURRENT",
            "QUERY_DIM_FUNCTION",
            "QUERY_MIDNIGHT_SHIFT",
            "QUERY_MODULE_THERMAL_DERATING",
            "QUERY_FUNCTION_ENABLE",
            "QUERY_CONSTANT_LUMEN_TIMER",
            "QUERY_CONSTANT_LUMEN_LEVEL",
            "QUERY_SCHEDULE_TIMER",
            "QUERY_SCHEDULE_LEVEL",
            "QUERY_OPERATION_TIME",
            "QUERY_EOL_TIME (QUERY_SCHEDULE_FADETIME)",
            "QUERY_FW_VERSION",
            "QUERY_TABLE_VERSION"};
}
