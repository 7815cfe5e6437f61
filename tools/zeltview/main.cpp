// zeltview: the library's pan window, magnifying glass and printing on an
// image, in a window of the software platform's screen that a desktop
// window mirrors 1:1; scriptable, so tests and demos can drive it.
#include <SDL.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../zeltpaint/demo_image.h"
#include "../zeltpaint/metafile_io.h"
#include "../zeltpaint/png_io.h"
#include "../zeltpaint/store.h"
#include "input_bridge.h"
#include "options.h"
#include "screen_mirror.h"
#include "script.h"
#include "viewer_window.h"
#include "zelt/host.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kIdleWaitMs = 10;

int LoadImage(const zeltview::Options &options, BitmapRecord *bitmap, std::string &error) {
    if (options.image.empty()) {
        const int status = zeltpaint::CreateDemoImage(bitmap);
        if (status != STATUS_OK) error = "cannot make the demo image";
        return status;
    }
    if (zeltpaint::LooksLikeMetafile(options.image))
        return zeltpaint::LoadMetafileImage(options.image, 0, 0, bitmap, error);
    return zeltpaint::LoadImageFile(options.image, bitmap, error);
}

// One frame: desktop events in, the platform's messages pumped, the screen out.
class Session {
public:
    Session(zeltview::ScreenMirror &mirror, zeltview::Viewer &viewer, bool forwardInput)
        : mirror_(mirror), viewer_(viewer), forwardInput_(forwardInput) {}

    bool Frame() {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (!bridge_.Handle(event, forwardInput_)) ended_ = true;
        if (bridge_.TakeExposed()) mirror_.Invalidate();
        ZeltHostPumpMessages();
        MSG message;
        if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) ended_ = true;
        if (viewer_.Window() == nullptr) ended_ = true;
        mirror_.Present();
        return !ended_;
    }
    void ForwardInput(bool on) { forwardInput_ = on; }

private:
    zeltview::ScreenMirror &mirror_;
    zeltview::Viewer &viewer_;
    zeltview::InputBridge bridge_;
    bool forwardInput_;
    bool ended_ = false;
};

int Fail(int exitCode, const std::string &message) {
    std::fprintf(stderr, "zeltview: %s\n", message.c_str());
    return exitCode;
}

}  // namespace

int main(int argc, char **argv) {
    zeltview::Options options;
    std::string error;
    if (!zeltview::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "zeltview: %s\ntry 'zeltview --help'\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(zeltview::UsageText(), stdout);
        return 0;
    }
    std::vector<zeltview::ScriptCommand> script;
    if (!options.script.empty() && !zeltview::LoadScript(options.script, script, error))
        return Fail(kExitUsage, error);
    if (!ZeltHostConfigureScreen(options.screenWidth, options.screenHeight, options.screenBits))
        return Fail(kExitUsage, "the platform has no " + std::to_string(options.screenBits) + "-bit screen");

    zeltpaint::OwnedBitmap image;
    const int status = LoadImage(options, &image.record, error);
    if (status != STATUS_OK) return Fail(options.image.empty() ? kExitFailed : kExitUsage, error);

    int exitCode = 0;
    {
        zeltview::ScreenMirror mirror;
        if (!mirror.Open(options.screenWidth, options.screenHeight, error)) return Fail(kExitFailed, error);
        const std::string title = "zeltview - " + (options.image.empty() ? std::string("demo image") : options.image);
        zeltview::Viewer viewer(&image.record, options.zoom, title);
        if (!viewer.Create(options.screenWidth, options.screenHeight, error)) return Fail(kExitFailed, error);
        Session session(mirror, viewer, script.empty());
        bool running = session.Frame();
        if (options.printGeometry) {
            int x = 0, y = 0;
            mirror.WindowPosition(x, y);
            std::printf("mirror-origin %d %d\n", x, y);
            viewer.WriteGeometry(stdout, "start");
        }
        if (running && !script.empty()) {
            zeltview::ScriptTarget target{viewer, mirror.ScreenDC(), [&session] { return session.Frame(); }};
            const auto result = zeltview::RunScript(script, target, error);
            if (result == zeltview::ScriptResult::Failed) {
                std::fprintf(stderr, "zeltview: %s\n", error.c_str());
                exitCode = kExitFailed;
            }
            // A script that ends without quitting leaves the viewer to the person watching.
            running = result == zeltview::ScriptResult::Finished;
            session.ForwardInput(true);
        }
        while (running) {
            SDL_WaitEventTimeout(nullptr, kIdleWaitMs);
            running = session.Frame();
        }
        if (options.printGeometry) viewer.WriteGeometry(stdout, "exit");
        if (!options.screenshot.empty() && !ZeltHostSaveSurfacePng(mirror.ScreenDC(), options.screenshot.c_str()))
            exitCode = Fail(kExitFailed, "cannot write " + options.screenshot);
    }
    SDL_Quit();
    return exitCode;
}
