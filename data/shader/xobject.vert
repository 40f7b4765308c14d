#version 120
// xobject.vert - passes the screen quad's texture coordinates on.

varying vec2 screen;

void main()
{
    screen = gl_MultiTexCoord0.st;
    gl_Position = ftransform();
}
