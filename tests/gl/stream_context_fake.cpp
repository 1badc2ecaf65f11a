// The recording GL needs no context.
bool stream_context_open();
bool stream_context_open() { return true; }
