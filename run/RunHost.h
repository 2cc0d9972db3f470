#pragma once

// What the viewer's window and the headless recorder share when they play a
// survey: the view's state, a playback run and the first-person camera over
// it, the helicopter and the frame capturer. The drawing hooks are wired
// here once; the vehicle is put where playback says and the beam list kept
// in the view. An owner supplies only timers, repaints and the document,
// and may send frames somewhere other than the numbered PNG files.

#include <string>

#include "gl/FrameCapture.h"
#include "modelgl/HeliModel.h"
#include "playback/PlaybackEngine.h"
#include "playback/PlaybackState.h"
#include "view/ViewState.h"

namespace oxv {

class GlTarget;
class SurveyDocument;

class RunHost : public PlaybackHost {
public:
    // The target is the one every frame is drawn into; it must outlive the host.
    explicit RunHost(GlTarget& target);
    ~RunHost() override = default;
    RunHost(const RunHost&) = delete;
    RunHost& operator=(const RunHost&) = delete;

    ViewState& View() { return m_view; }
    const ViewState& View() const { return m_view; }
    PlaybackState& Run() { return m_run; }
    const PlaybackState& Run() const { return m_run; }
    FpvState& Fpv() { return m_fpv; }
    const FpvState& Fpv() const { return m_fpv; }
    const gl_heli_model& Helicopter() const { return m_heli; }
    GlTarget& Target() { return m_target; }

    // A playback run (playing or paused) or the first-person flight.
    [[nodiscard]] bool Running() const;

    // The GL side, with the target's context current: the view's state of
    // the drawing library, and the helicopter from its OBJ file (none when
    // the path is empty or cannot be read; playback then flies no vehicle).
    void SetUpGl(const std::string& modelPath);
    // The view's lists and the helicopter's lists and texture deleted, with
    // the context current.
    void ReleaseGl();
    // The helicopter's lists and texture deleted, with the context current.
    void ReleaseHelicopter() { m_heli.Release(); }
    // The helicopter's names forgotten without GL calls: its context is gone.
    void ForgetHelicopter();

    // One painted frame of the current state, with its swap; the context
    // must be current.
    void DrawFrame(const SurveyDocument* doc);

    // Where first-person frames are written; empty for FpvVideoFolder() as
    // it is at the moment of each frame.
    void SetFpvFolder(std::string folder) { m_fpvFolder = std::move(folder); }
    [[nodiscard]] std::string FpvFolder() const;

    // The last frame that was to be recorded could not be written.
    [[nodiscard]] bool LastCaptureFailed() const { return m_lastCaptureFailed; }

    // PlaybackHost: the vehicle and the beam list.
    void SetVehiclePose(const double attitude[3], const double position[3]) override;
    void CompileBeamList(const SurveyDocument& doc, const FrameSpan& span) override;
    void DeleteBeamList() override;

protected:
    // The survey being played; null when there is none.
    virtual const SurveyDocument* Document() const = 0;
    // Whether the frame the run steps to now will be drawn: a host that
    // leaves frames out compiles no beams for them.
    [[nodiscard]] virtual bool DrawsNextFrame() const { return true; }
    // The end of every painted frame, context current, before the swap:
    // while recording is on, the picture becomes the numbered PNG file at
    // `path`. A frame that cannot be written (folder missing, no access,
    // disk full) is lost here and the next one is tried.
    virtual void CaptureFrame(GlTarget& target, int width, int height, const std::string& path);

    FrameCapturer& Capturer() { return m_capturer; }
    gl_heli_model& Heli() { return m_heli; }

private:
    void CaptureIfRecording(GlTarget& target, int width, int height);

    GlTarget& m_target;
    ViewState m_view;
    PlaybackState m_run;
    FpvState m_fpv;
    gl_heli_model m_heli;
    FrameCapturer m_capturer;
    std::string m_fpvFolder;
    bool m_lastCaptureFailed = false;
};

}  // namespace oxv
