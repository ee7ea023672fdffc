// The CR95HF reader library's entry points, as our own thin layer over an installed
// Cr95hfBackend: each call checks its arguments, turns the hex text request into bytes, asks the
// backend while a reader is attached, and writes the answer back as NUL-terminated upper-case hex
// text. Without a backend, or with the reader detached, every call reports CR95HF_ERR_NO_READER.
//
// The caller's answer buffer has no size argument; answers are kept within 24 bytes (48 digits and
// the NUL), 127 bytes for SendReceive, and a longer one is refused rather than written.

#include "cr95hfbackend.h"

#include <QtGlobal>

#include <cstring>

namespace {

constexpr int MAX_ANSWER_BYTES = 24;
constexpr int MAX_SEND_RECEIVE_ANSWER_BYTES = 127;

Cr95hfBackend* backend = nullptr;

bool attached()
{
    return backend && backend->attached();
}

bool decodeRequest(const char* text, QByteArray& request)
{
    const QByteArray hex(text);
    if (hex.isEmpty() || hex.size() % 2 != 0)
        return false;
    for (char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    request = QByteArray::fromHex(hex);
    return true;
}

int writeAnswer(int result, const QByteArray& answer, char* out, int maxBytes)
{
    if (answer.size() > maxBytes)
        return CR95HF_ERR_ANSWER_TOO_LONG;
    const QByteArray text = answer.toHex().toUpper();
    std::memcpy(out, text.constData(), size_t(text.size()) + 1);
    return result;
}

template <typename Call>
int answerCall(char* answer, Call call)
{
    if (!answer)
        return CR95HF_ERR_BAD_ARGUMENT;
    if (!attached())
        return CR95HF_ERR_NO_READER;
    QByteArray bytes;
    const int result = call(bytes);
    return writeAnswer(result, bytes, answer, MAX_ANSWER_BYTES);
}

template <typename Call>
int requestCall(const char* request, char* answer, int maxBytes, Call call)
{
    QByteArray bytes;
    if (!request || !answer || !decodeRequest(request, bytes))
        return CR95HF_ERR_BAD_ARGUMENT;
    if (!attached())
        return CR95HF_ERR_NO_READER;
    QByteArray out;
    const int result = call(bytes, out);
    return writeAnswer(result, out, answer, maxBytes);
}

} // namespace

extern "C" {

Q_DECL_EXPORT void CR95HFSim_install(Cr95hfBackend* reader)
{
    backend = reader;
}

Q_DECL_EXPORT int CR95HFDLL_USBconnect()
{
    return attached() ? 0 : CR95HF_ERR_NO_READER;
}

Q_DECL_EXPORT int CR95HFDLL_USBhandlecheck()
{
    return attached() ? 0 : CR95HF_ERR_NO_READER;
}

Q_DECL_EXPORT int CR95HFDLL_getInterfacePinState(char* answer)
{
    return answerCall(answer, [](QByteArray& out) { return backend->interfacePinState(out); });
}

Q_DECL_EXPORT int CR95HFDll_Idn(char* answer)
{
    return answerCall(answer, [](QByteArray& out) { return backend->idn(out); });
}

Q_DECL_EXPORT int CR95HFDll_Select(const char* request, char* answer)
{
    return requestCall(request, answer, MAX_ANSWER_BYTES,
                       [](const QByteArray& in, QByteArray& out) { return backend->select(in, out); });
}

Q_DECL_EXPORT int CR95HFDll_STCmd(const char* request, char* answer)
{
    return requestCall(request, answer, MAX_ANSWER_BYTES,
                       [](const QByteArray& in, QByteArray& out) { return backend->stCommand(in, out); });
}

Q_DECL_EXPORT int CR95HFDll_SendReceive(const char* request, char* answer)
{
    return requestCall(request, answer, MAX_SEND_RECEIVE_ANSWER_BYTES,
                       [](const QByteArray& in, QByteArray& out) { return backend->sendReceive(in, out); });
}

} // extern "C"
