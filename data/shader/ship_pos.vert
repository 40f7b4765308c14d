#version 120
// ship_pos.vert - the ship over the terrain (vertex stage only; the fixed
// fragment stage paints the colour computed here).
//
// Lights each vertex with light 0 the way the fixed pipeline would, from the
// model's own materials, adds a cool rim so the hull stands out against the
// dark land, lets the ship hover gently and makes the see-through exhaust
// pulse with "timer" (the distance flown). The ship's file holds one group
// per material, and the timeline hands each group's material over before
// drawing it: diffuse colour and opacity in gl_Color, ambient colour in
// gl_SecondaryColor, specular colour and shininess in gl_MultiTexCoord1. The
// model file alone decides the paint.

uniform float timer;

void main()
{
    vec4 position = gl_Vertex;
    position.y += 18.0 * sin(timer * 0.045);
    vec4 eye = gl_ModelViewMatrix * position;
    vec3 n = normalize(gl_NormalMatrix * gl_Normal);
    vec3 view = normalize(-eye.xyz);
    vec3 toLight = gl_LightSource[0].position.xyz - eye.xyz * gl_LightSource[0].position.w;
    vec3 l = dot(toLight, toLight) > 1.0e-8 ? normalize(toLight) : view;

    vec4 kd = gl_Color;
    vec3 ka = gl_SecondaryColor.rgb;
    vec3 ks = gl_MultiTexCoord1.rgb;
    float shininess = max(gl_MultiTexCoord1.a, 1.0);
    vec3 color = ka * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    float diffuse = max(dot(n, l), 0.0);
    color += kd.rgb * gl_LightSource[0].diffuse.rgb * diffuse;
    if (diffuse > 0.0)
        color += ks * gl_LightSource[0].specular.rgb * pow(max(dot(n, normalize(l + view)), 0.0), shininess);
    color += vec3(0.12, 0.22, 0.32) * pow(1.0 - abs(dot(n, view)), 3.0);
    float exhaust = 1.0 - step(1.0, kd.a);
    color += vec3(0.3, 0.8, 1.0) * exhaust * (0.6 + 0.4 * sin(timer * 0.9));
    gl_FrontColor = vec4(clamp(color, 0.0, 1.0), kd.a);
    gl_BackColor = gl_FrontColor;
    gl_Position = gl_ProjectionMatrix * eye;
}
