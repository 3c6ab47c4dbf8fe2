// The browser edition's console streams. The programs read std::cin and
// print to std::cout; here both are turned to the page (or to Node's
// standard streams) before main runs. Reading a line suspends the
// WebAssembly program until the page hands one over, so a Web Worker can run
// the program while the page goes on taking keys.
//
// Whether the input counts as a terminal is left to descriptor 0: the page
// and Node on a terminal keep the terminal device, Node on a pipe or a file
// replaces it with a plain one (web_pre.js), and the program asks isatty().
#include <emscripten.h>

#include <iostream>
#include <streambuf>

namespace {

// Hands printed bytes to Module.webWrite, which shows or writes them at once.
EM_JS(void, web_write, (const char* data, int size),
      { Module.webWrite(HEAPU8.slice(data, data + size)); });

// Waits for input bytes from Module.webRead (at most `capacity`); 0 is the end
// of the input.
EM_ASYNC_JS(int, web_read, (char* data, int capacity), {
    const bytes = await Module.webRead(capacity);
    if (!bytes || bytes.length == 0) return 0;
    HEAPU8.set(bytes, data);
    return bytes.length;
});

class WebOutput : public std::streambuf {
  public:
    WebOutput() { setp(buffer_, buffer_ + sizeof buffer_); }

  protected:
    int_type overflow(int_type c) override {
        send();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    int sync() override {
        send();
        return 0;
    }

  private:
    void send() {
        const int size = static_cast<int>(pptr() - pbase());
        if (size > 0) web_write(pbase(), size);
        setp(buffer_, buffer_ + sizeof buffer_);
    }
    char buffer_[4096];
};

class WebInput : public std::streambuf {
  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        const int size = web_read(buffer_, static_cast<int>(sizeof buffer_));
        if (size <= 0) return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + size);
        return traits_type::to_int_type(*gptr());
    }

  private:
    char buffer_[4096];
};

// The buffers are never destroyed: the library flushes std::cout after every
// static object of the program is gone.
struct TurnStreams {
    TurnStreams() {
        std::cout.rdbuf(new WebOutput);
        std::cin.rdbuf(new WebInput);
    }
} turn_streams;

}  // namespace
