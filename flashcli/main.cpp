// The console downloader: one download or upload through the download library.
#include "exit_status.h"
#include "flashcli_main.h"
#include "library/library_downloader.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    flashcli::argument_list args(argv + 1, argv + argc);
    static flashcli::library_downloader library;
    flashcli::set_downloader(&library);
    const int status = flashcli::flashcli_main(args);
    std::fflush(stdout);
    // No static destructors: the download library's receive thread may still run.
    _exit(flashcli::process_exit_status(status));
}
