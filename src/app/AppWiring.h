#pragma once

// Connects the shared objects of the lower libraries to those above them,
// which they cannot know: the conversation store's hooks reach the chat
// window and the capture manager. The application does it once at start-up,
// before anything is shown; doing it again changes nothing.
namespace AppWiring {

void install();

} // namespace AppWiring
