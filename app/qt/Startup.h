#pragma once
// The Qt view's start-up: the application object, then the program's run with the Qt
// forms and message loop.
namespace kovrin {

class LinkService;

int RunKovrin(int argc, char** argv, LinkService& links);

} // namespace kovrin
