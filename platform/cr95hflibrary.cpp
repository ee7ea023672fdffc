#include "cr95hflibrary.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QByteArray decodeAnswer(const QByteArray& buffer)
{
    // A library that filled the whole buffer left no NUL: what it wrote still ends there.
    const QByteArray text = buffer.left(int(qstrnlen(buffer.constData(), size_t(buffer.size()))));
    if (text.size() % 2 != 0)
        return QByteArray();
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return QByteArray();
    }
    return QByteArray::fromHex(text);
}

} // namespace

Cr95hfLibrary::Cr95hfLibrary(const QString& name)
{
    if (QCoreApplication::instance()) {
        library.setFileName(QDir(QCoreApplication::applicationDirPath()).filePath(name));
        if (library.load())
            return;
    }
    library.setFileName(name);
}

QFunctionPointer Cr95hfLibrary::resolve(const char* symbol)
{
    return library.resolve(symbol);
}

std::optional<int> Cr95hfLibrary::call(const char* symbol)
{
    const auto entry = reinterpret_cast<int (*)()>(resolve(symbol));
    if (!entry)
        return std::nullopt;
    return entry();
}

std::optional<int> Cr95hfLibrary::call(const char* symbol, QByteArray& answer)
{
    answer.clear();
    const auto entry = reinterpret_cast<AnswerCall>(resolve(symbol));
    if (!entry)
        return std::nullopt;
    QByteArray buffer(ANSWER_CHARS, '\0');
    const int result = entry(buffer.data());
    answer = decodeAnswer(buffer);
    return result;
}

std::optional<int> Cr95hfLibrary::call(const char* symbol, const QByteArray& request, QByteArray& answer,
                                       int answerChars)
{
    answer.clear();
    const auto entry = reinterpret_cast<RequestCall>(resolve(symbol));
    if (!entry)
        return std::nullopt;
    QByteArray buffer(answerChars, '\0');
    const int result = entry(request.constData(), buffer.data());
    answer = decodeAnswer(buffer);
    return result;
}

std::optional<int> Cr95hfLibrary::usbConnect()
{
    return call("CR95HFDLL_USBconnect");
}

std::optional<int> Cr95hfLibrary::getInterfacePinState(QByteArray& answer)
{
    return call("CR95HFDLL_getInterfacePinState", answer);
}

std::optional<int> Cr95hfLibrary::idn(QByteArray& answer)
{
    return call("CR95HFDll_Idn", answer);
}

std::optional<int> Cr95hfLibrary::select(const QByteArray& request, QByteArray& answer)
{
    return call("CR95HFDll_Select", request, answer, ANSWER_CHARS);
}

std::optional<int> Cr95hfLibrary::sendReceive(const QByteArray& request, QByteArray& answer)
{
    return call("CR95HFDll_SendReceive", request, answer, SEND_RECEIVE_ANSWER_CHARS);
}

std::optional<int> Cr95hfLibrary::stCmd(const QByteArray& request, QByteArray& answer)
{
    return call("CR95HFDll_STCmd", request, answer, ANSWER_CHARS);
}

std::optional<int> Cr95hfLibrary::usbHandleCheck()
{
    return call("CR95HFDLL_USBhandlecheck");
}
