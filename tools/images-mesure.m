% Fits the height-height correlation function of the measurement in the
% working directory with HR.m and, where Octave can draw without a display
% (its gnuplot toolkit), saves two pictures there: correlation.png (the
% function and the fitted curve) and surface.png (the centred surface drawn by
% visu_grille.m). Writes ajustement.txt: the fitted correlation length, the
% fitted RMS height and the number of radii fitted.
%
% In the directory of a measurement: octave --eval "source('.../images-mesure.m')"
pkg load optim;
if any(strcmp(available_graphics_toolkits(), 'gnuplot'))
  graphics_toolkit('gnuplot');
  set(0, 'defaultfigurevisible', 'off');
end
try
  HR;  % without any graphics toolkit it stops at its figure, after the fit
catch
end
if ~exist('longueur_corr_fit', 'var')
  error('rugosite:ajustement', 'HR.m n''a pas donne de longueur de correlation');
end
fichier = fopen('ajustement.txt', 'w');
% RMS_fit enters the model squared: its sign means nothing
fprintf(fichier, 'longueur_corr_fit %f\nRMS_fit %f\nrayons %d\n', longueur_corr_fit, abs(RMS_fit), numel(r));
fclose(fichier);

if any(strcmp(available_graphics_toolkits(), 'gnuplot')) && ~isempty(get(0, 'children'))
  try
    set(findobj(gca, 'type', 'line'), 'linewidth', 2);
    legend('H(r) mesuree', 'ajustement', 'location', 'northwest'); % H(r) rises: its upper left is free
    print(gcf, 'correlation.png', '-dpngcairo', '-S900,600');
    visu_grille;
    shading interp;
    view(2);
    axis equal tight;
    colorbar;
    title('surface centree (noeud vide : 0)');
    print(gcf, 'surface.png', '-dpngcairo', '-S900,800');
  catch erreur
    % gnuplot needs the FreeSans font (fonts-freefont-otf) to draw text
    printf('images non produites : %s\n', erreur.message);
  end
else
  printf('images non produites : pas de dessin sans ecran (paquet gnuplot-nox)\n');
end
