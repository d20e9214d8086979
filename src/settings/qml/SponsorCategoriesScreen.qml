// "Qué saltar": which sponsor-segment categories the player skips.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Settings

CategoryChooser {
    title: "Qué saltar"
    value: Preferences.sponsorCats
    onEdited: (value) => Preferences.sponsorCats = value
    footer: "Datos de la comunidad SponsorBlock. Se aplican a partir del siguiente vídeo."
    rows: [
        { id: "sponsor", title: "Patrocinios", subtitle: "Promociones pagadas dentro del vídeo." },
        { id: "selfpromo", title: "Autopromoción", subtitle: "Publicidad de sus propios productos o canales." },
        { id: "interaction", title: "Recordatorios", subtitle: "«Suscríbete», «dale a me gusta»…" },
        { id: "intro", title: "Introducciones", subtitle: "Cabeceras y animaciones al inicio." },
        { id: "outro", title: "Finales", subtitle: "Créditos y pantallas finales." }
    ]
}
