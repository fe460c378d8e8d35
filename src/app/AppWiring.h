#pragma once

// Connects the shared objects of the lower libraries to those above them,
// which they cannot know. The application does it once at start-up, before
// anything is shown; doing it again changes nothing.
//
// The current conversation (CurrentConversation, kept by the store) is made
// here first: the capture and the chat window show it and reach it
// themselves, and nothing below them asks anything of them.
namespace AppWiring {

void install();

} // namespace AppWiring
