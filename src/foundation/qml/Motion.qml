// Shared animation timings: plain durations, and springs approximated by OutBack curves.
pragma Singleton
import QtQuick

QtObject {
    readonly property int quick: 150
    readonly property int standard: 250
    readonly property int slow: 400
    readonly property int standardEasing: Easing.OutCubic
    readonly property int springEasing: Easing.OutBack

    // Time a damped spring of `response` seconds needs to settle within 1 %, in ms.
    function springDuration(response, dampingFraction) {
        const zeta = Math.max(0.05, Math.min(1, dampingFraction))
        const omega = 2 * Math.PI / Math.max(0.01, response)
        return Math.round(1000 * Math.log(100) / (zeta * omega))
    }

    // OutBack overshoot whose peak equals the spring's first overshoot,
    // exp(-zeta*pi/sqrt(1-zeta^2)); OutBack peaks at 4s^3 / (27 (s+1)^2).
    function springOvershoot(dampingFraction) {
        if (dampingFraction >= 1)
            return 0
        const zeta = Math.max(0.05, dampingFraction)
        const peak = Math.exp(-zeta * Math.PI / Math.sqrt(1 - zeta * zeta))
        let lo = 0, hi = 20
        for (let i = 0; i < 40; ++i) {
            const s = (lo + hi) / 2
            if (4 * s * s * s / (27 * (s + 1) * (s + 1)) < peak)
                lo = s
            else
                hi = s
        }
        return (lo + hi) / 2
    }
}
