#pragma once

// The application: reads the command line and runs the main window.
class CClientApp
{
public:
    CClientApp() = default;
    ~CClientApp();
    CClientApp(const CClientApp&) = delete;
    CClientApp& operator=(const CClientApp&) = delete;

    // Sets up SDL, reads the switches and runs the main window until it closes; returns the
    // process exit code (1 after a start-up failure).
    int InitInstance(int argc, char** argv);

    // Parses the arguments after the program name (UTF-8, as the platform gives them):
    // switches are matched whole with ASCII case folded; "/caption" takes the next argument as
    // the caption (none when it is missing or empty); only the first argument can be the path.
    void ReadSwitches(int argc, const char* const* argv);

    // A file name as the platform gives it (bytes, normally UTF-8) in wide text and back, without
    // loss: a byte that is no part of a UTF-8 sequence becomes the unpaired unit 0xDC00 + byte,
    // and turns back into that byte. Both return new blocks (null for null).
    static char16_t* FileNameToWide(const char* name);
    static char* WideToFileName(const char16_t* name);

    // Null when absent.
    const char16_t* GetPathArgument() const { return m_pathArgument; }
    const char16_t* GetCaptionArgument() const { return m_captionArgument; }

private:
    char16_t* m_pathArgument = nullptr;
    char16_t* m_captionArgument = nullptr;
};
