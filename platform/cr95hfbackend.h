#ifndef CR95HFBACKEND_H
#define CR95HFBACKEND_H

#include <QByteArray>

// What stands behind the stand-in CR95HF library (platform/cr95hf/): a reader and its field, in
// bytes rather than hex text. The library checks the arguments, turns the hex text into bytes and
// back, and asks the backend only while it says the reader is attached. Tests install a simulated
// reader (tools/simcr95hfreader.h) through the library's install entry point; with none installed
// there is no reader.
//
// Each answer is what the reader sends back: its status byte (0x00 done, 0x80 a frame from the tag
// follows, anything else an error), then the data as the call describes it.
class Cr95hfBackend
{
public:
    virtual ~Cr95hfBackend() = default;

    virtual bool attached() = 0;
    virtual int interfacePinState(QByteArray& answer) = 0;
    virtual int idn(QByteArray& answer) = 0;
    virtual int select(const QByteArray& request, QByteArray& answer) = 0;
    virtual int sendReceive(const QByteArray& request, QByteArray& answer) = 0;
    virtual int stCommand(const QByteArray& request, QByteArray& answer) = 0;
};

// Results of the library's calls besides 0 (done).
constexpr int CR95HF_ERR_NO_READER = 1;      // no reader attached
constexpr int CR95HF_ERR_BAD_ARGUMENT = 2;   // null pointer or a request that is not hex text
constexpr int CR95HF_ERR_ANSWER_TOO_LONG = 3; // the answer would not fit the caller's buffer

// void CR95HFSim_install(Cr95hfBackend*): the stand-in's own entry point; null removes the reader.
constexpr char CR95HF_SIM_INSTALL[] = "CR95HFSim_install";

#endif // CR95HFBACKEND_H
