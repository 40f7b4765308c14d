#version 120
// ship_pos.vert - the ship over the terrain (vertex stage only; the fixed
// fragment stage paints the colour computed here).
//
// Lights each vertex like the fixed pipeline does with light 0 and the
// current material, adds a cool rim so the hull stands out against the dark
// land, lets the ship hover gently and makes the exhaust pulse with
// "timer" (the distance flown).

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

    vec4 color = gl_FrontMaterial.emission
               + gl_FrontMaterial.ambient * (gl_LightModel.ambient + gl_LightSource[0].ambient);
    float diffuse = max(dot(n, l), 0.0);
    color += gl_FrontMaterial.diffuse * gl_LightSource[0].diffuse * diffuse;
    if (diffuse > 0.0) {
        float s = pow(max(dot(n, normalize(l + view)), 0.0), max(gl_FrontMaterial.shininess, 1.0));
        color += gl_FrontMaterial.specular * gl_LightSource[0].specular * s;
    }
    color.rgb += vec3(0.12, 0.22, 0.32) * pow(1.0 - abs(dot(n, view)), 3.0);
    float exhaust = smoothstep(-296.0, -320.0, gl_Vertex.z);
    color.rgb += vec3(0.3, 0.8, 1.0) * exhaust * (0.6 + 0.4 * sin(timer * 0.9));
    color.a = gl_FrontMaterial.diffuse.a;
    gl_FrontColor = clamp(color, 0.0, 1.0);
    gl_BackColor = gl_FrontColor;
    gl_Position = gl_ProjectionMatrix * eye;
}
