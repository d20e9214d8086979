// "Categorías": which home categories show as chips. "pref.hiddenCats" lists
// the hidden ones, so a switch that is on means the id is absent. "Para ti"
// always shows and has no row.
import QtQuick
import Nimbelora.Settings

CategoryChooser {
    title: "Categorías"
    key: "pref.hiddenCats"
    inverted: true
    footer: "Elige qué categorías aparecen como chips en el inicio. «Para ti» siempre está."
    rows: ListSetting.homeCategories()
}
