// The two NFC engines, FEIG (input byte 0 even) and CR95HF (odd), reading and writing driver tags
// through simulated readers while each reader answer may be anything: the reader's own, an error
// status (the command carried out or not), the answer with bytes changed, cut or added, or raw
// bytes; tags come and go, two may lie on the reader, the reader may be pulled, and the user acts
// as the window lets them.
//
// Promises: the common promises of every programming engine (engineobserver.h); each operation
// ends inside the call that started it, a run with one outcome, a reset with one result, a read
// with at most one completion; the only error reported is the reader's; a tag is written only by
// a programming run, a reset or a factory reset the user started, or by a run the engine started
// on its own for a newly found tag of the record's product. While every answer is the reader's
// own: a completed read carries the parameters of the tag on the reader; success means the tag
// holds the record's current and lists; what the engine writes back as read stays as it was (the
// first byte, the lock byte and, for the FEIG engine, the table version, product and firmware, for
// the CR95HF engine the two bytes after the parameters); nothing beyond the engine's blocks
// changes.
//
// Input: the engine, a count of answer choices and the choices (one per reader exchange, taken in
// turn; 0 or none left: the reader's own answer), the two tags, then events.

#include "engineobserver.h"
#include "feig_nfc.h"
#include "fuzzcheck.h"
#include "fuzzscript.h"
#include "globals.h"
#include "nfctagimage.h"
#include "simcr95hfreader.h"
#include "simfeigreader.h"
#include "simisotag.h"
#include "st_nfc.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>

namespace {

const int TAG_PRODUCTS[] = {73, 120, 111, 50, 134};
// The layout markers sit in the bank 202 to 204 scale factor bytes of a family tag's stretch.
const int MARKER_OFFSETS[] = {7, 18, 29};
constexpr int ST_BLOCKS = 19;
constexpr int FEIG_BLOCKS = 104;

// A driver's tag: filler parameters of one product, with a family layout's markers or none.
std::unique_ptr<SimIsoTag> makeTag(FuzzScript& in, const QByteArray& uid)
{
    const int product = TAG_PRODUCTS[in.pick(int(std::size(TAG_PRODUCTS)))];
    const int layout = in.pick(4);
    QByteArray image = fillerBytes(SimIsoTag::DRIVER_IMAGE_BYTES, in.byte());
    image[4] = char(product >> 8);
    image[5] = char(product);
    if (NfcTagImage::isFamilyProduct(product) && layout > 0) {
        for (int offset : MARKER_OFFSETS)
            image[NfcTagImage::bankStretchStart(layout) + offset] = char(NfcTagImage::LAYOUT_MARKER);
    }
    auto tag = std::make_unique<SimIsoTag>(uid);
    tag->setDriverImage(image);
    return tag;
}

// How a reader answer is replaced: 0 the reader's own. *untrusted: the engine got data the tag
// did not give.
QByteArray changedAnswer(FuzzScript& in, const QByteArray& own, bool* untrusted)
{
    QByteArray a = own;
    switch (in.pick(4)) {
    case 0:
        if (!a.isEmpty())
            a[in.pick(a.size())] = char(in.byte());
        break;
    case 1:
        a.truncate(in.pick(a.size() + 1));
        break;
    case 2:
        a += in.chunk(4);
        break;
    default:
        a = in.chunk(40);
        break;
    }
    *untrusted = a != own;
    return a;
}

// One exchange with a reader as the input has it: the reader's own answer, an error (the command
// carried out or not), or the answer changed; *tainted is set once the engine may have got data
// the tag did not give.
template <class Call, class Fail>
int exchange(FuzzScript& in, bool& tainted, QByteArray& answer, Call call, Fail fail)
{
    const int mode = in.pick(8);
    if (mode == 5) {
        if (in.pick(2))
            call();
        return fail();
    }
    const int status = call();
    if (mode < 6 || status != 0)
        return status;
    bool untrusted = false;
    answer = changedAnswer(in, answer, &untrusted);
    tainted = tainted || untrusted;
    return 0;
}

// A reader whose answers the input may change, in front of the simulated one.
struct FeigFaults : FeigReaderBackend
{
    SimFeigReader& reader;
    FuzzScript& in;
    bool& tainted;

    FeigFaults(SimFeigReader& r, FuzzScript& script, bool& t) : reader(r), in(script), tainted(t) {}

    int scan() override { return reader.scan(); }
    bool deviceId(int index, quint32* id) override { return reader.deviceId(index, id); }
    int openDevice(quint32 id) override { return reader.openDevice(id); }
    bool isDevicePresent(int handle) override { return reader.isDevicePresent(handle); }
    int newReader(int handle) override { return reader.newReader(handle); }

    int isoCommand(int handle, int bus, const QByteArray& request, QByteArray& answer) override
    {
        static const int STATUSES[] = {FEIG_STATUS_NO_TAG,   FEIG_STATUS_TAG_ERROR,
                                       FEIG_STATUS_RF_ERROR, FEIG_STATUS_UNKNOWN_COMMAND,
                                       FEIG_ERR_NO_READER,   FEIG_ERR_BUFFER_TOO_SMALL};
        return exchange(
            in, tainted, answer, [&] { return reader.isoCommand(handle, bus, request, answer); },
            [&] {
                answer.clear();
                return STATUSES[in.pick(int(std::size(STATUSES)))];
            });
    }
};

struct Cr95hfFaults : Cr95hfBackend
{
    SimCr95hfReader& reader;
    FuzzScript& in;
    bool& tainted;

    Cr95hfFaults(SimCr95hfReader& r, FuzzScript& script, bool& t) : reader(r), in(script), tainted(t) {}

    bool attached() override { return reader.attached(); }
    int interfacePinState(QByteArray& answer) override { return reader.interfacePinState(answer); }
    int idn(QByteArray& answer) override { return reader.idn(answer); }
    int select(const QByteArray& request, QByteArray& answer) override
    {
        return reader.select(request, answer);
    }
    int sendReceive(const QByteArray& request, QByteArray& answer) override
    {
        return exchange(
            in, tainted, answer, [&] { return reader.sendReceive(request, answer); },
            [&] { return failed(answer); });
    }
    int stCommand(const QByteArray& request, QByteArray& answer) override
    {
        return exchange(
            in, tainted, answer, [&] { return reader.stCommand(request, answer); },
            [&] { return failed(answer); });
    }

    // A failed call, or a reader status of an error or a frame cut to its status byte.
    int failed(QByteArray& answer)
    {
        answer = QByteArray(1, char(0x80 | in.pick(16)));
        return in.pick(2) ? CR95HF_ERR_NO_READER : 0;
    }
};

struct NfcRig
{
    FuzzScript& in;
    const bool feig;
    bool tainted = false;
    std::unique_ptr<SimIsoTag> tags[2];
    QByteArray original[2]; // each tag's memory as it was made
    int onReader = 0;       // bit 0: tag 0 lies on the reader, bit 1: tag 1
    bool toolConnected = false;

    std::unique_ptr<SimFeigReader> feigReader;
    std::unique_ptr<FeigFaults> feigFaults;
    std::unique_ptr<SimCr95hfReader> stReader;
    std::unique_ptr<Cr95hfFaults> stFaults;
    void (*installCr95hf)(Cr95hfBackend*) = nullptr;
    std::unique_ptr<ProgEngine> engine;
    FEIG_NFC* feigEngine = nullptr;
    ST_NFC* stEngine = nullptr;
    std::unique_ptr<EngineObserver> window;

    ProgDataStructDef runRecord;
    int completions = 0;
    bool startSeen = false;

    NfcRig(FuzzScript& script, FuzzScript& answers, bool feigEngineChosen)
        : in(script), feig(feigEngineChosen)
    {
        // Every tag has its own UID.
        const QByteArray uid = fillerBytes(8, in.byte());
        QByteArray otherUid = uid;
        otherUid[7] = char(~uid.at(7));
        tags[0] = makeTag(in, uid);
        tags[1] = makeTag(in, otherUid);
        for (int t = 0; t < 2; ++t)
            original[t] = memory(t);

        if (feig) {
            feigReader = std::make_unique<SimFeigReader>();
            feigFaults = std::make_unique<FeigFaults>(*feigReader, answers, tainted);
            setFeigReaderBackend(feigFaults.get());
            feigEngine = new FEIG_NFC;
            engine.reset(feigEngine);
        } else {
            stReader = std::make_unique<SimCr95hfReader>();
            stFaults = std::make_unique<Cr95hfFaults>(*stReader, answers, tainted);
            installCr95hf =
                reinterpret_cast<void (*)(Cr95hfBackend*)>(Cr95hfLibrary().resolve(CR95HF_SIM_INSTALL));
            FUZZ_CHECK(stReader->isInstalled() && installCr95hf);
            installCr95hf(stFaults.get());
            stEngine = new ST_NFC;
            engine.reset(stEngine);
        }
        window = std::make_unique<EngineObserver>(*engine);
        window->readFollowed = false;
        window->startMayRepeat = feig;
        window->startsSilently = !feig;
        window->resetsAtOnce = true;
        window->onStart = [this] {
            startSeen = true;
            runRecord = engine->writeRecord();
            // A run the engine starts by itself programs only a tag of the record's product.
            const SimIsoTag* tag = tagOnReader();
            if (!tainted && tag)
                FUZZ_CHECK(productOf(*tag) == runRecord.productIndex || calling == Call::Program);
        };
        window->onSuccess = [this] {
            FUZZ_CHECK(tainted || anyTagOnReader([this](const ProgDataStructDef& d) {
                           return d.current == runRecord.current &&
                                  d.CLO_TimeList == runRecord.CLO_TimeList &&
                                  d.TimeDimLevelList == runRecord.TimeDimLevelList;
                       }));
        };
        window->onReadComplete = [this] {
            ++completions;
            const QByteArray read = NfcTagImage::encodeParameters(engine->readRecord(), 0);
            FUZZ_CHECK(tainted || anyTagOnReader([&read](const ProgDataStructDef& d) {
                           return NfcTagImage::encodeParameters(d, 0) == read;
                       }));
        };
        auto communicateError = [this](int type) {
            // The window drops the tool at once, from inside the report.
            FUZZ_CHECK(type == COMM_ERR_NFC_TOOL);
            toolState(0);
        };
        if (feig)
            QObject::connect(feigEngine, &FEIG_NFC::communicateError, communicateError);
        else
            QObject::connect(stEngine, &ST_NFC::communicateError, communicateError);

        placeTags(1);
        engine->setEnabled(1);
        findTool();
    }

    ~NfcRig()
    {
        engine.reset();
        if (feig)
            setFeigReaderBackend(nullptr);
        else
            installCr95hf(nullptr);
    }

    QByteArray memory(int t) const { return tags[t]->blocks(0, tags[t]->blockCount()); }

    static int productOf(const SimIsoTag& tag)
    {
        const QByteArray image = tag.driverImage();
        return quint8(image.at(4)) << 8 | quint8(image.at(5));
    }

    // The tag a run started on by itself: the one tag on the reader, if there is one.
    SimIsoTag* tagOnReader() const
    {
        if (onReader == 1 || onReader == 2)
            return tags[onReader - 1].get();
        return nullptr;
    }

    // Whether the parameters of a tag on the reader (an addressed command reaches either of two)
    // are as wanted.
    template <class Wanted> bool anyTagOnReader(Wanted wanted) const
    {
        for (int t = 0; t < 2; ++t) {
            ProgDataStructDef d;
            if ((onReader & (1 << t)) && NfcTagImage::decodeParameters(tags[t]->driverImage(), d, nullptr) &&
                wanted(d))
                return true;
        }
        return false;
    }

    void placeTags(int which)
    {
        onReader = which;
        if (feig) {
            // The FEIG reader's field holds one tag.
            if (which == 3)
                onReader = 2;
            feigReader->placeTag(tagOnReader());
            return;
        }
        stReader->removeTags();
        for (int t = 0; t < 2; ++t) {
            if (which & (1 << t))
                stReader->addTag(tags[t].get());
        }
    }

    void toolState(int state)
    {
        toolConnected = state != 0;
        engine->toolConnectionStateChange(state);
    }

    // The window's tool check while no tool is connected.
    void findTool()
    {
        const bool found =
            feig ? feigEngine->openReader() : stEngine->connectTool() && stEngine->selectProtocol();
        if (found)
            toolState(1);
    }

    enum class Call
    {
        Tick,
        Read,
        Program,
        Reset,
        FactoryReset,
        Other
    };
    Call calling = Call::Other;

    // One call into the engine: everything it starts ends inside, and it writes a tag only when
    // the call may.
    template <class F> void call(Call kind, F f)
    {
        const QByteArray before[2] = {memory(0), memory(1)};
        const bool connected = window->connection == DRIVER_CONNECTED;
        completions = 0;
        startSeen = false;
        calling = kind;
        f();
        calling = Call::Other;
        FUZZ_CHECK(!window->runOpen && !window->resetAwaited && completions <= 1);
        const bool mayWrite = kind == Call::FactoryReset ||
                              ((kind == Call::Program || kind == Call::Reset) && connected) ||
                              startSeen; // a detection the call ran started a run
        for (int t = 0; t < 2; ++t) {
            FUZZ_CHECK(mayWrite || memory(t) == before[t]);
            if (!tainted)
                checkKept(t);
        }
    }

    // What the engine writes back as read, and what lies beyond its blocks.
    void checkKept(int t) const
    {
        const QByteArray now = memory(t);
        const QByteArray& was = original[t];
        constexpr int BLOCK = SimIsoTag::BLOCK_SIZE;
        const int bufferStart = BLOCK; // block 1
        auto same = [&](int bufferByte) {
            return now.at(bufferStart + bufferByte) == was.at(bufferStart + bufferByte);
        };
        FUZZ_CHECK(same(0) && same(2)); // the first byte, the lock byte
        if (feig) {
            for (int b : {1, 5, 6, 7, 8}) // table version, product, firmware
                FUZZ_CHECK(same(b));
            FUZZ_CHECK(now.mid((FEIG_BLOCKS + 1) * BLOCK) == was.mid((FEIG_BLOCKS + 1) * BLOCK));
        } else {
            FUZZ_CHECK(same(74) && same(75));
            FUZZ_CHECK(now.mid((ST_BLOCKS + 1) * BLOCK) == was.mid((ST_BLOCKS + 1) * BLOCK));
        }
    }

    ProgDataStructDef recordToProgram()
    {
        const SimIsoTag* tag = tags[in.pick(2)].get();
        const quint16 product = quint16(in.pick(4) ? productOf(*tag) : in.word());
        ProgDataStructDef record = programmedRecord(in, engine->readRecord());
        record.productIndex = product;
        return record;
    }

    void event()
    {
        const int op = in.pick(16);
        if (op < 6) {
            if (window->timerOn)
                call(Call::Tick, [this] { engine->checkDriverConnection(); });
            return;
        }
        if (op == 6) {
            placeTags(in.pick(4));
            return;
        }
        if (op == 7) {
            // The reader is pulled, or plugged in again and found by the window.
            if (in.pick(2)) {
                if (feig)
                    feigReader->unplug();
                else
                    stReader->unplug();
            } else {
                if (feig)
                    feigReader->plugIn();
                else
                    stReader->plugIn();
                if (!toolConnected)
                    call(Call::Other, [this] { findTool(); });
            }
            return;
        }
        if (op == 8) {
            window->programDone();
            return;
        }
        if (!window->windowFree())
            return;
        switch (op) {
        case 9:
            call(Call::Read, [this] { engine->startReadProductInfo(); });
            break;
        case 10: {
            const ProgDataStructDef record = recordToProgram();
            call(Call::Program, [&] { window->startProgramming(record); });
            break;
        }
        case 11:
            call(Call::Reset, [this] { window->startReset(); });
            break;
        case 12: {
            // The administrator's factory reset writes whatever the driver state.
            const ProgDataStructDef record = recordToProgram();
            engine->writeRecord() = record;
            call(Call::FactoryReset, [this] {
                if (feig)
                    feigEngine->factoryReset();
                else
                    stEngine->factoryReset();
            });
            break;
        }
        case 13:
            // Another tab and back.
            call(Call::Other, [this] {
                engine->setEnabled(0);
                engine->toolConnectionStateChange(0);
                engine->setEnabled(1);
                window->switchedOff();
                toolConnected = false;
                findTool();
            });
            break;
        case 14:
            profileLoaded = profileLoaded ? 0 : 1;
            loadedProfileProductIndex = quint16(productOf(*tags[in.pick(2)]));
            break;
        default:
            DT6Programmable = quint8(in.pick(2));
            part250Programmable = quint8(in.pick(2));
            part251Programmable = quint8(in.pick(2));
            part253Programmable = quint8(in.pick(2));
            break;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv);
    quietStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzScript in(data, size);
    profileLoaded = 0;
    FA_location = 0;
    tagTrailerCount = 0;
    tagInField = 0;
    DT6Programmable = part250Programmable = part251Programmable = part253Programmable = 0;
    const bool feig = in.pick(2) == 0;
    // The reader's answers take their choices from a stream of their own.
    FuzzScript answers = in.split(in.byte());
    NfcRig rig(in, answers, feig);
    while (!in.atEnd())
        rig.event();
    return 0;
}
