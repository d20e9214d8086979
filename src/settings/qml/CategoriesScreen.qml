// "Categorías": which home categories show as chips. The setting lists the
// hidden ones, so a switch that is on means the id is absent. "Para ti"
// always shows and has no row.
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Settings

CategoryChooser {
    title: "Categorías"
    value: Preferences.hiddenCats
    onEdited: (value) => Preferences.hiddenCats = value
    inverted: true
    footer: "Elige qué categorías aparecen como chips en el inicio. «Para ti» siempre está."
    rows: ListSetting.homeCategories()
}
