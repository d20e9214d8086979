#include "FixtureTables.h"

namespace FixtureTables {

// "foryou" first, then the eight topic categories the channels belong to.
const std::array<CategoryRow, 9> categories = {{
    {"foryou", "Para ti", "de todo un poco"},
    {"music", "Música", "música"},
    {"gaming", "Videojuegos", "videojuegos"},
    {"news", "Noticias", "actualidad"},
    {"sports", "Deportes", "deporte"},
    {"tech", "Tecnología", "tecnología"},
    {"movies", "Cine y series", "cine y series"},
    {"learn", "Aprender", "divulgación"},
    {"comedy", "Humor", "humor"},
}};

const std::array<ChannelRow, 24> channels = {{
    {"Lucía Ritmo", "@luciaritmo", 1, {"Música nueva para empezar el día", "Versión acústica de mi último single", "Cómo compuse esta canción", "Ensayo completo con la banda"}},
    {"Acordes del Sur", "@acordesdelsur", 1, {"Flamenco fusión en la plaza", "Aprende estos cuatro acordes", "Guitarra española para principiantes", "Rumba en la azotea"}},
    {"Sala Eléctrica", "@salaelectrica", 1, {"Sesión de música electrónica", "Producción de un tema desde cero", "Sintetizadores analógicos a prueba", "Música nueva de la semana"}},
    {"Partida Extra", "@partidaextra", 2, {"Gameplay completo del nuevo plataformas", "Speedrun de la ciudad perdida", "Los mejores trucos del modo historia", "Primera partida en dificultad máxima"}},
    {"Nivel Final", "@nivelfinal", 2, {"Análisis del juego del año", "Gameplay comentado del capítulo final", "Ranking de jefes más difíciles", "Construyo una ciudad entera"}},
    {"Píxel Dorado", "@pixeldorado", 2, {"Juegos retro que merecen otra oportunidad", "Restauro una consola de 1994", "Gameplay cooperativo con amigos", "Historia de los juegos de lucha"}},
    {"Diario Abierto", "@diarioabierto", 3, {"Noticias hoy: resumen de la mañana", "Entrevista con la alcaldesa", "Lo que debes saber del nuevo presupuesto", "Debate sobre la vivienda"}},
    {"Noticias en Punto", "@noticiasenpunto", 3, {"Noticias hoy en cinco minutos", "El tiempo para el fin de semana", "Claves de la jornada electoral", "Última hora desde el puerto"}},
    {"Crónica Global", "", 3, {"Crónica internacional de la semana", "Reportaje: el agua en el Mediterráneo", "Así se vive en la frontera norte", "Análisis económico del trimestre"}},
    {"Resumen Deportivo", "@resumendeportivo", 4, {"Resumen deportes de la jornada", "Todos los goles del derbi", "La remontada más increíble del año", "Previa del clásico"}},
    {"Fútbol de Barrio", "@futboldebarrio", 4, {"Partido de veteranos en el barrio", "Entrenamiento con el equipo juvenil", "Los mejores regates del torneo", "Final de la copa local"}},
    {"Pista y Meta", "@pistaymeta", 4, {"Maratón de Valencia en primera persona", "Rutina de fuerza para corredores", "Resumen deportes de montaña", "Cómo mejorar tu marca en 10 km"}},
    {"Tecnología al Día", "@tecnologiaaldia", 5, {"Tecnología review del nuevo móvil plegable", "Comparativa de portátiles ligeros", "Lo que trae la nueva versión del sistema", "Cinco aplicaciones que deberías probar"}},
    {"Circuito Libre", "@circuitolibre", 5, {"Monto un ordenador silencioso", "Review del teclado mecánico más barato", "Domótica casera con software libre", "Reparo una tarjeta gráfica"}},
    {"Byte a Byte", "@byteabyte", 5, {"Aprende a programar en Python", "Cómo funciona internet por dentro", "Tecnología review: auriculares con cancelación", "Linux para principiantes"}},
    {"Butaca Central", "@butacacentral", 6, {"Crítica sin spoilers del estreno", "Las mejores películas del año", "Tráiler oficial comentado", "Directoras que debes conocer"}},
    {"Tráileres HD", "@traileres", 6, {"Tráiler oficial de la nueva saga espacial", "Tráiler oficial de la comedia del verano", "Avance de la serie más esperada", "Tráiler oficial del thriller de otoño"}},
    {"Cine de Domingo", "@cinededomingo", 6, {"Clásicos del cine en blanco y negro", "Así se rodó la escena del tren", "Bandas sonoras inolvidables", "Series cortas para un fin de semana"}},
    {"Ciencia Curiosa", "@cienciacuriosa", 7, {"Ciencia documental: los volcanes de Canarias", "Por qué el cielo es azul", "Experimentos caseros con imanes", "El universo en una hora"}},
    {"Cocina con Marta", "@cocinaconmarta", 7, {"Recetas fáciles para toda la semana", "Tortilla de patatas perfecta", "Paella valenciana paso a paso", "Postres sin horno"}},
    {"Viajes Lentos", "@viajeslentos", 7, {"Viajes vlog por la costa gallega", "Una semana en Lisboa con poco dinero", "Ruta en tren por los Pirineos", "Viajes vlog: Japón en otoño"}},
    {"Risas Garantizadas", "@risasgarantizadas", 8, {"Humor: lo peor de las reuniones", "Monólogo sobre los vecinos", "Bromas en el supermercado", "Cuando tu madre aprende a usar el móvil"}},
    {"Humor de Oficina", "@humordeoficina", 8, {"El becario ataca de nuevo", "Humor de lunes por la mañana", "Tipos de compañeros de trabajo", "La impresora que nunca funciona"}},
    {"El Sketch", "@elsketch", 8, {"Sketch: la cena de Navidad", "Parodia del concurso de la tele", "Humor absurdo en el ascensor", "Si los gatos hablaran"}},
}};

const std::array<const char *, 10> titleTails = {
    " (parte 2)", " | episodio completo", " en 10 minutos", " — lo que nadie te cuenta", " [4K]",
    ": mi opinión sincera", " | edición especial", " (versión extendida)", " 2026", " ¿merece la pena?",
};

const std::array<const char *, 7> chapterTitles = {
    "Introducción", "Contexto", "Primeros pasos", "La parte difícil", "Resultados", "Preguntas frecuentes", "Conclusión",
};

const std::array<const char *, 16> firstNames = {
    "Carmen", "Javier", "Lucía", "Miguel", "Ana", "Pablo", "Marta", "Sergio",
    "Elena", "David", "Paula", "Andrés", "Nuria", "Raúl", "Irene", "Diego",
};

const std::array<const char *, 10> surnames = {
    "García", "López", "Martín", "Sánchez", "Pérez", "Gómez", "Ruiz", "Díaz", "Moreno", "Romero",
};

const std::array<const char *, 18> commentTexts = {
    "¡Qué buen vídeo! Me ha encantado.",
    "Llevaba semanas esperando esto.",
    "¿Alguien más viendo esto en 2026?",
    "El minuto 3:20 es oro puro.",
    "Gracias por explicarlo tan claro.",
    "No estoy de acuerdo con todo, pero buen análisis.",
    "Saludos desde Buenos Aires.",
    "La calidad de imagen es increíble.",
    "Me he reído muchísimo con el final.",
    "¿Para cuándo la segunda parte?",
    "Lo he compartido con toda mi familia.",
    "Primera vez que comento: sigue así.",
    "Esto debería tener millones de visitas.",
    "La música de fondo, ¿cómo se llama?",
    "Justo lo que necesitaba hoy.",
    "Un vídeo largo, pero merece la pena.\nLo vi entero sin pestañear.",
    "Corrección: en el minuto 5 dices martes, pero era jueves 😅",
    "Madre mía, qué nivel.",
};

const char *const uploaderComment =
    "¡Gracias por verlo! Contadme en los comentarios qué queréis ver en el próximo.";

const std::array<const char *, 18> cueTextsEs = {
    "Hola a todos y bienvenidos de nuevo al canal.",
    "Hoy os traigo algo que me habéis pedido mucho.",
    "Antes de empezar, un poco de contexto.",
    "Vamos a ir paso a paso, sin prisas.",
    "Fijaos bien en este detalle de aquí.",
    "Esto es lo que casi nadie tiene en cuenta.",
    "Y ahora viene la parte más interesante.",
    "Si os está gustando, ya sabéis qué hacer.",
    "Vale, repasemos lo que llevamos hasta ahora.",
    "Aquí es donde la mayoría se equivoca.",
    "No os preocupéis si no sale a la primera.",
    "Mirad qué resultado tan bonito.",
    "Esto lo podéis hacer también en casa.",
    "Una pregunta que me hacéis a menudo.",
    "La respuesta corta es: depende.",
    "Vamos con el último punto.",
    "Y con esto terminamos por hoy.",
    "Nos vemos en el próximo vídeo. ¡Chao!",
};

const std::array<const char *, 8> cueTextsEn = {
    "Hi everyone and welcome back to the channel.",
    "Today we have something you asked for a lot.",
    "Let's go step by step.",
    "Look closely at this detail here.",
    "And now comes the interesting part.",
    "This is where most people get it wrong.",
    "Let's move on to the last point.",
    "See you in the next video!",
};

const std::array<const char *, 6> descriptionEndings = {
    "Suscríbete para no perderte ningún vídeo.",
    "Gracias por ver el vídeo. Deja tu opinión en los comentarios.",
    "Grabado con un equipo muy modesto: ¡la ilusión es lo que cuenta!",
    "Si te ha servido, compártelo con quien lo necesite.",
    "Música: biblioteca libre de derechos.",
    "Nos vemos la semana que viene.",
};

const std::array<const char *, 6> playlistTitles = {
    "Lo mejor de %1", "Empieza por aquí", "Favoritos del público", "Todos los directos",
    "Para ver con calma", "Mix de la semana",
};

const std::array<const char *, 6> suggestionTails = {
    " en directo", " tutorial", " explicado", " 2026", " para principiantes", " resumen",
};

// Each change is "type|text"; changes are separated by "\n".
const std::array<ReleaseRow, 4> releases = {{
    {"0.2.0", "Más control sobre la reproducción", "2026-03-10",
     "new|Bucle A–B desde el menú de opciones.\n"
     "new|Temporizador para pausar al terminar el vídeo.\n"
     "fixed|Los subtítulos ya no se quedan en pantalla tras cambiar de vídeo.\n"
     "improved|La lista de Shorts carga antes al abrir la pestaña."},
    {"0.1.2", nullptr, "2026-02-21",
     "fixed|La búsqueda recuerda el filtro al cargar más resultados.\n"
     "changed|Textos más claros en los ajustes."},
    {"0.1.1", "Correcciones", "2026-02-02",
     "fixed|El mini reproductor no se ocultaba al cerrar sesión.\n"
     "fixed|Las miniaturas de algunos vídeos antiguos no cargaban."},
    {"0.1.0", "Primera versión", "2026-01-20",
     "new|Inicio con categorías, búsqueda y reproductor sin anuncios.\n"
     "new|Biblioteca local: historial, «me gusta» y ver más tarde."},
}};

} // namespace FixtureTables
