// The installer's error chain: values that carry a message text. Thrown and
// caught by value; a copy keeps its text without composing or tracing again.
#pragma once

class SyException {
public:
    SyException();
    virtual const char* GetText() const;

protected:
    const char* text;   // a constant, or the object's own buffer
};

class SyStringException : public SyException {
public:
    enum { BufferSize = 256 };   // a composed message: at most 255 characters and the NUL

    SyStringException() {}
    SyStringException(const SyStringException& other);
    SyStringException& operator=(const SyStringException& other);

protected:
    char buffer[BufferSize];   // composed message; untouched until a subclass composes
};

class SySystemException : public SyStringException {
public:
    explicit SySystemException(unsigned long code);
    // Loads what the system's message texts need (their first use may load
    // libraries), so that one composed later, while running as another
    // user, loads none. Writes no debugger line.
    static void LoadTexts();

    unsigned long code;

    static const char Prefix[];
    enum { PrefixLength = 36 };
};
