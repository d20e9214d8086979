#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// A short H.264 clip from one of ffmpeg's test sources (`video`, a lavfi
// graph such as "testsrc2=size=320x240:rate=25:duration=3"), with a tone of
// `seconds` unless it is silent. False when ffmpeg could not make it.
inline bool makeClip(const QString &path, const QString &video, int seconds, bool sound = true)
{
    QStringList args{"-loglevel", "error", "-y", "-f", "lavfi", "-i", video};
    if (sound)
        args << "-f" << "lavfi" << "-i" << QStringLiteral("sine=frequency=440:duration=%1").arg(seconds);
    args << "-c:v" << "libx264" << "-preset" << "ultrafast" << "-g" << "25" << "-pix_fmt" << "yuv420p";
    if (sound)
        args << "-c:a" << "aac" << "-shortest";
    args << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}
