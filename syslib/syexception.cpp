#include "syexception.h"

#include <windows.h>
#include <string.h>

static const char DefaultText[] = "An unknown SyException has occurred.";
const char SySystemException::Prefix[] = "An SySystemException has occurred:  ";

static_assert(sizeof SySystemException::Prefix - 1 == SySystemException::PrefixLength,
              "the prefix ends in a colon and two spaces");

SyException::SyException() : text(DefaultText) {}

const char* SyException::GetText() const { return text; }

SyStringException::SyStringException(const SyStringException& other) : SyException(other)
{
    *this = other;
}

SyStringException& SyStringException::operator=(const SyStringException& other)
{
    memcpy(buffer, other.buffer, sizeof buffer);
    // A text composed in the source's buffer must point into our own, or it
    // would dangle once the source is gone.
    if (other.text >= other.buffer && other.text < other.buffer + sizeof other.buffer)
        text = buffer + (other.text - other.buffer);
    else
        text = other.text;
    return *this;
}

static DWORD SystemText(unsigned long code, char* out, DWORD size)
{
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, NULL, code, 0, out, size, NULL);
}

void SySystemException::LoadTexts()
{
    char text[BufferSize];
    SystemText(ERROR_FILE_NOT_FOUND, text, sizeof text);
}

SySystemException::SySystemException(unsigned long errorCode) : code(errorCode)
{
    memcpy(buffer, Prefix, PrefixLength + 1);
    DWORD n = SystemText(code, buffer + PrefixLength, BufferSize - 1 - PrefixLength);
    if (n == 0) wsprintfA(buffer, "FormatMessage() failed for SySystemException %lu\n", code);
    text = buffer;
    OutputDebugStringA(buffer);
}
