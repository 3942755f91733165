#ifndef QUORVEL_REMOVER_PATCH_SEQUENCE_H
#define QUORVEL_REMOVER_PATCH_SEQUENCE_H

// The remover's core: find the hosts file of the running Windows family, make it writable
// for the time of the write, append the redirection line unless it is there, and report
// each step on the dialog's five status lines with a fixed pause after each report.

// What the sequence asks of the dialog, and nothing more, so that it also runs without one.
class PatchSink {
  public:
    virtual void SetStatus(int controlId, const char* text) = 0;
    virtual void Pause(unsigned milliseconds) = 0;
    virtual void Enable(int controlId) = 0;
    virtual void Message(const char* text, const char* caption) = 0;
    virtual void End(int result) = 0;

  protected:
    ~PatchSink() = default;
};

// Set to 1 once this run has appended the line; read when the dialog closes.
extern unsigned char g_patched;

// Runs the whole sequence, blocking in the sink's pauses: 1.5 to 7.2 seconds in all.
void RunPatchSequence(PatchSink& sink);

#endif
