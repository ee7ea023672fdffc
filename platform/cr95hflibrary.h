#ifndef CR95HFLIBRARY_H
#define CR95HFLIBRARY_H

#include <QByteArray>
#include <QLibrary>
#include <QString>

#include <optional>

// The CR95HF reader library as the program reaches it: loaded at run time by name and kept loaded
// for the life of the process; each entry point is looked up by name when it is called, so a
// missing library or entry point is a failed call, never a crash.
//
// The library speaks hex text: a request is a NUL-terminated string of hex digits, an answer is
// written into a zero-filled character buffer that the caller provides (the library is told no
// size). The buffers here are large enough for every answer to the requests the program sends;
// each answer is handed back decoded into bytes, or empty when it is not hex text.
//
// On Windows the library found first is the one beside the program; the same order holds on the
// other platforms: beside the program, then the system's library search.
class Cr95hfLibrary
{
public:
    static constexpr char DEFAULT_NAME[] = "CR95HF";
    static constexpr int ANSWER_CHARS = 50;
    static constexpr int SEND_RECEIVE_ANSWER_CHARS = 256;

    explicit Cr95hfLibrary(const QString& name = QString::fromLatin1(DEFAULT_NAME));

    // Each call: no value when the entry point cannot be found; else the call's result, 0 = ok.
    std::optional<int> usbConnect();
    std::optional<int> getInterfacePinState(QByteArray& answer);
    std::optional<int> idn(QByteArray& answer);
    std::optional<int> select(const QByteArray& request, QByteArray& answer);
    std::optional<int> sendReceive(const QByteArray& request, QByteArray& answer);
    std::optional<int> stCmd(const QByteArray& request, QByteArray& answer);
    // 0 while the reader is still attached.
    std::optional<int> usbHandleCheck();

    // Any other entry point by name, or null.
    QFunctionPointer resolve(const char* symbol);

private:
    using AnswerCall = int (*)(char* answer);
    using RequestCall = int (*)(const char* request, char* answer);

    std::optional<int> call(const char* symbol);
    std::optional<int> call(const char* symbol, QByteArray& answer);
    std::optional<int> call(const char* symbol, const QByteArray& request, QByteArray& answer, int answerChars);

    QLibrary library;
};

#endif // CR95HFLIBRARY_H
