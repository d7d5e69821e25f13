// veltrix-render: the command-line host of libveltrix.
#include <cstdio>
#include <exception>
#include <new>

#include "render/CommandLine.h"
#include "render/RenderCommand.h"
#include "render/RenderError.h"

int main(int argc, char** argv) {
    try {
        RenderRequest request;
        if (const auto exitCode = ParseCommandLine(argc, argv, &request)) {
            return *exitCode;
        }
        return RunRequest(request);
    } catch (const RenderError& error) {
        std::fprintf(stderr, "veltrix-render: %s\n", error.what());
        return error.code();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "veltrix-render: out of memory\n");
        return kExitFailure;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "veltrix-render: %s\n", error.what());
        return kExitFailure;
    }
}
