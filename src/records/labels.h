// The captions of the nine fields of a person and of a company, in slot order.
#pragma once

namespace records {

inline const char* const kPersonLabels[] = {"Nombre, Apellido, Apodo:", "Num. Telefónico Fijo:",
                                            "Num. Telefónico Móvil:",   "Otro Num. Telefónico:",
                                            "Ubicación / Dirección:",   "Correo Electrónico 1:",
                                            "Correo Electrónico 2:",    "Sitio Web:",
                                            "Información Adicional:"};

inline const char* const kCompanyLabels[] = {"Nombre Organización:",
                                             "Rubro / Giro:",
                                             "Número Telefónico:",
                                             "Número de Fax:",
                                             "Sitio Web:",
                                             "Correo Electrónico:",
                                             "Contacto (Personas):",
                                             "Ubicación / Dirección:",
                                             "Información Adicional:"};

} // namespace records
